#include "packsetup/free_space.h"

#include <windows.h>
#include <shlwapi.h>

#include "packsetup/package_paths.h"

std::wstring FreeSpaceQueryFolder(const std::wstring& installFolder)
{
    std::wstring folder(installFolder);
    RemoveOneTrailingBackslash(folder);
    if (PathIsDirectoryW(folder.c_str()))
        return folder;
    return folder.substr(0, 3);
}

bool HasFreeSpaceFor(const std::wstring& installFolder, uint64_t bytes)
{
    ULARGE_INTEGER available;
    if (!GetDiskFreeSpaceExW(FreeSpaceQueryFolder(installFolder).c_str(), &available, nullptr, nullptr))
        return false;
    return available.QuadPart >= bytes;
}
