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

void UninstallWorkLists::AddFile(const std::wstring& path, Origin origin)
{
    if (!IsUsablePath(path))
        return;
    files_.push_back(path);
    fileOrigins_.push_back(origin);
}

void UninstallWorkLists::AddFolder(const std::wstring& path, Origin origin)
{
    if (!IsUsablePath(path))
        return;
    std::wstring folder(path);
    RemoveOneTrailingBackslash(folder);
    auto added = folderOrigins_.insert(std::make_pair(folder, origin));
    if (added.second)
        folders_.push_back(folder);
    else if (origin == Origin::Fixed)
        added.first->second = Origin::Fixed;
}

UninstallWorkLists::Origin UninstallWorkLists::FolderOrigin(const std::wstring& folder) const
{
    // A folder never added is kept within bounds, never let past them.
    auto found = folderOrigins_.find(folder);
    return found == folderOrigins_.end() ? Origin::Manifest : found->second;
}

std::vector<std::wstring> UninstallWorkLists::FoldersDeepestFirst() const
{
    std::vector<std::wstring> sorted(folders_);
    std::sort(sorted.begin(), sorted.end(), OrdinalGreater);
    return sorted;
}

void DeleteListedFiles(const UninstallWorkLists& lists, const FolderBounds* manifestBounds)
{
    LinkFreeFolders anywhere;
    LinkFreeFolders bounded;
    if (manifestBounds)
        bounded.KeepWithin(*manifestBounds);
    for (size_t i = 0; i < lists.Files().size(); ++i) {
        bool keepWithin = manifestBounds && lists.FileOrigin(i) == UninstallWorkLists::Origin::Manifest;
        DeleteFileWithRetry(lists.Files()[i], keepWithin ? bounded : anywhere);
    }
}

void RemoveListedFolders(const UninstallWorkLists& lists, const FolderBounds* manifestBounds)
{
    LinkFreeFolders anywhere;
    LinkFreeFolders bounded;
    if (manifestBounds)
        bounded.KeepWithin(*manifestBounds);
    for (const std::wstring& folder : lists.FoldersDeepestFirst()) {
        bool keepWithin = manifestBounds && lists.FolderOrigin(folder) == UninstallWorkLists::Origin::Manifest;
        // A folder that the other run still holds open would only go once
        // that run let go of it, too late for the folders above it.
        (keepWithin ? anywhere : bounded).Release();
        RemoveEmptyFolder(folder, keepWithin ? bounded : anywhere);
    }
}
