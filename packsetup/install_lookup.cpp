#include "packsetup/install_lookup.h"

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

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
