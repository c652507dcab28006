#include "packsetup/install_path.h"

#include "common/win/registry.h"
#include "common/win/registry_view.h"
#include "common/win/scoped_handle.h"
#include "packsetup/open_without_links.h"

namespace {

// Expands the environment variables of a REG_EXPAND_SZ value; the result has
// to fit the same limit as a plain string.
bool ExpandInstallPath(const std::wstring& stored, std::wstring& installPath)
{
    wchar_t expanded[kMaxInstallPathLength + 1];
    DWORD needed = ExpandEnvironmentStringsW(stored.c_str(), expanded, kMaxInstallPathLength + 1);
    // needed counts the terminator; zero is a failure, more than the buffer
    // means the expansion did not fit and the buffer holds nothing usable.
    if (needed == 0 || needed > kMaxInstallPathLength + 1)
        return false;
    installPath.assign(expanded);
    return !installPath.empty();
}

// The folder itself, wherever its path leads: the programs write and delete
// through the path, so what the path reaches is what counts.
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

bool ReadInstallPath(HKEY root, const std::wstring& subKey, std::wstring& installPath)
{
    installPath.clear();
    // An empty sub-key would read the value from the root itself.
    if (subKey.empty())
        return false;
    ScopedRegKey key;
    if (OpenProductKey(root, subKey, KEY_READ, key) != ERROR_SUCCESS)
        return false;

    // Room for the longest accepted path and its terminator; a longer value
    // does not fit and so counts as missing.
    wchar_t buffer[kMaxInstallPathLength + 1];
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key.get(), L"InstallPath", nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size)
            != ERROR_SUCCESS
        || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;

    // The stored bytes need not end in a terminator (nor be a whole number
    // of characters), so only the characters within them are read.
    size_t available = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < available && buffer[length] != L'\0')
        ++length;
    if (length == 0 || length > kMaxInstallPathLength)
        return false;
    if (type == REG_SZ) {
        installPath.assign(buffer, length);
        return true;
    }
    return ExpandInstallPath(std::wstring(buffer, length), installPath);
}

bool RegistryNamesFolder(HKEY root, const std::wstring& subKey, const std::wstring& folder,
                         std::wstring& registered)
{
    std::wstring stored;
    if (folder.empty() || !ReadInstallPath(root, subKey, stored))
        return false;
    ScopedHandle given = OpenFolderForIdentity(folder);
    ScopedHandle found = OpenFolderForIdentity(stored);
    if (!given || !found || !IsSameEntry(given.get(), found.get()))
        return false;
    registered = stored;
    return true;
}
