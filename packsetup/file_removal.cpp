#include "packsetup/file_removal.h"

#include <windows.h>
#include <shlwapi.h>

#include "packsetup/package_paths.h"
#include "packsetup/retry_wait.h"

namespace {

const int kRemovalAttempts = 5;
const DWORD kRemovalPause = 100;

template <typename Remove>
bool RemoveWithRetry(const std::wstring& path, Remove remove)
{
    for (int attempt = 1; attempt <= kRemovalAttempts; ++attempt) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (remove(path.c_str()))
            return true;
        if (attempt < kRemovalAttempts)
            RetryWait(kRemovalPause);
    }
    return false;
}

} // namespace

bool DeleteFileWithRetry(const std::wstring& path)
{
    // An over-long path cannot be reached here; it is not cut to another one.
    if (!FitsMaxPath(path))
        return false;
    if (!PathFileExistsW(path.c_str()))
        return true;
    return RemoveWithRetry(path, [](const wchar_t* target) { return DeleteFileW(target) != FALSE; });
}

bool RemoveEmptyFolder(const std::wstring& path)
{
    if (!FitsMaxPath(path))
        return false;
    if (!PathIsDirectoryW(path.c_str()) || !PathIsDirectoryEmptyW(path.c_str()))
        return true;
    return RemoveWithRetry(path, [](const wchar_t* target) { return RemoveDirectoryW(target) != FALSE; });
}
