#include "packsetup/install_lookup.h"

#include "common/win/message_box.h"
#include "common/win/registry.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

bool ReadInstallPath(HKEY root, const std::wstring& subKey, std::wstring& installPath)
{
    installPath.clear();
    // An empty sub-key would read the value from the root itself.
    if (subKey.empty())
        return false;
    ScopedRegKey key;
    if (RegOpenKeyExW(root, subKey.c_str(), 0, KEY_READ, key.Receive()) != ERROR_SUCCESS)
        return false;

    // Room for the longest accepted path and its terminator; a longer value
    // does not fit and so counts as missing.
    wchar_t buffer[kMaxInstallPathLength + 1];
    DWORD type = REG_NONE;
    DWORD size = sizeof(buffer);
    if (RegQueryValueExW(key.get(), L"InstallPath", nullptr, &type,
                         reinterpret_cast<BYTE*>(buffer), &size)
            != ERROR_SUCCESS
        || type != REG_SZ)
        return false;

    // The stored bytes need not end in a terminator (nor be a whole number
    // of characters), so only the characters within them are read.
    size_t available = size / sizeof(wchar_t);
    size_t length = 0;
    while (length < available && buffer[length] != L'\0')
        ++length;
    if (length == 0 || length > kMaxInstallPathLength)
        return false;
    installPath.assign(buffer, length);
    return true;
}

bool LocateInstallation(const std::wstring& productKey, std::wstring& folder, bool& perUser)
{
    std::wstring found;
    if (ReadInstallPath(HKEY_CURRENT_USER, productKey, found)) {
        folder = found;
        perUser = true;
        return true;
    }
    if (ReadInstallPath(HKEY_LOCAL_MACHINE, productKey, found)) {
        folder = found;
        perUser = false;
        return true;
    }
    return false;
}

bool RunInstallationLookup()
{
    InstallerState& state = Installer();
    if (LocateInstallation(state.definition.productRegistryKey, state.installFolder,
                           state.perUserInstall))
        return true;
    ShowMessageBox(nullptr, LoadText(IDS_INSTALL_LOCATION_NOT_FOUND), state.definition.caption,
                   MB_ICONERROR);
    return false;
}
