#include "packsetup/core_install_folder.h"

#include <windows.h>

#include "common/win/scoped_handle.h"
#include "packsetup/install_lookup.h"
#include "packsetup/open_without_links.h"

namespace {

// The folder itself, wherever its path leads: the installation writes through
// the path, so what the path reaches is what counts.
ScopedHandle OpenFolderForIdentity(const std::wstring& path)
{
    ScopedHandle folder(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION information = {};
    if (!folder || !GetFileInformationByHandle(folder.get(), &information)
        || !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return ScopedHandle();
    return folder;
}

} // namespace

bool ConfirmCoreInstallFolder(const std::wstring& productKey, const std::wstring& givenFolder,
                              std::wstring& registeredFolder)
{
    std::wstring registered;
    if (givenFolder.empty() || !ReadInstallPath(HKEY_LOCAL_MACHINE, productKey, registered))
        return false;
    ScopedHandle given = OpenFolderForIdentity(givenFolder);
    ScopedHandle found = OpenFolderForIdentity(registered);
    if (!given || !found || !IsSameEntry(given.get(), found.get()))
        return false;
    registeredFolder = registered;
    return true;
}
