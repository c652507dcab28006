#include "unsetup/work_lists.h"

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>

#include "packsetup/file_removal.h"
#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"

namespace {

bool IsUsablePath(const std::wstring& path)
{
    return FitsMaxPath(path) && !PathIsRelativeW(path.c_str());
}

bool OrdinalGreater(const std::wstring& left, const std::wstring& right)
{
    size_t common = std::min(left.size(), right.size());
    for (size_t i = 0; i < common; ++i) {
        unsigned a = static_cast<unsigned short>(left[i]);
        unsigned b = static_cast<unsigned short>(right[i]);
        if (a != b)
            return a > b;
    }
    return left.size() > right.size();
}

} // namespace

void UninstallWorkLists::AddFile(const std::wstring& path)
{
    if (IsUsablePath(path))
        files_.push_back(path);
}

void UninstallWorkLists::AddFolder(const std::wstring& path)
{
    if (!IsUsablePath(path))
        return;
    std::wstring folder(path);
    RemoveOneTrailingBackslash(folder);
    if (folderSet_.insert(folder).second)
        folders_.push_back(folder);
}

std::vector<std::wstring> UninstallWorkLists::FoldersDeepestFirst() const
{
    std::vector<std::wstring> sorted(folders_);
    std::sort(sorted.begin(), sorted.end(), OrdinalGreater);
    return sorted;
}

void DeleteListedFiles(const UninstallWorkLists& lists)
{
    LinkFreeFolders folders;
    for (const std::wstring& file : lists.Files())
        DeleteFileWithRetry(file, folders);
}

void RemoveListedFolders(const UninstallWorkLists& lists)
{
    LinkFreeFolders folders;
    for (const std::wstring& folder : lists.FoldersDeepestFirst())
        RemoveEmptyFolder(folder, folders);
}
