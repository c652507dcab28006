#include "support/scratch_folder.h"

#include "support/environment.h"

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

namespace e2e {

namespace {

std::wstring FileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

bool RemoveFolderTree(const std::wstring& path)
{
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    std::wstring from = path;
    from.push_back(L'\0'); // the list ends with a second terminator
    SHFILEOPSTRUCTW operation = {};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    return SHFileOperationW(&operation) == 0 && !operation.fAnyOperationsAborted &&
           GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES;
}

ScratchFolder::ScratchFolder(const std::wstring& name, const std::wstring& parent)
{
    std::wstring root = parent.empty() ? ScratchRoot() : parent;
    if (root.empty() || name.empty())
        return;
    path_ = root + L"\\" + name;
    ready_ = RemoveFolderTree(path_) && SHCreateDirectoryExW(nullptr, path_.c_str(), nullptr) == ERROR_SUCCESS;
}

ScratchFolder::~ScratchFolder()
{
    if (!path_.empty())
        RemoveFolderTree(path_);
}

std::wstring ScratchFolder::CopyProgram(const std::wstring& source, const std::wstring& fileName) const
{
    if (!ready_ || source.empty())
        return std::wstring();
    std::wstring target = PathOf(fileName.empty() ? FileNameOf(source) : fileName);
    return CopyFileW(source.c_str(), target.c_str(), FALSE) ? target : std::wstring();
}

} // namespace e2e
