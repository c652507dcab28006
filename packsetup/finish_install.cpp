#include "packsetup/finish_install.h"

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/install_package.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"
#include "packsetup/start_tavrel.h"

void FinishInstall(const std::wstring& installFolder, HWND owner, bool perUser)
{
    const std::wstring& caption = Installer().definition.caption;
    bool installed = InstallPackage(installFolder, owner, perUser);
    if (owner)
        EnableWindow(owner, TRUE);

    if (installed) {
        if (ShowMessageBox(owner, LoadText(IDS_START_PROGRAM_QUESTION), caption, MB_YESNO | MB_ICONINFORMATION)
            == IDYES)
            StartTavrel(installFolder);
    } else {
        ShowMessageBox(owner, LoadText(IDS_SETUP_CANCELLED), caption, MB_ICONERROR);
    }
    TellOwnerInstallEnded(owner);
}

void TellOwnerInstallEnded(HWND owner)
{
    if (!owner)
        return;
    EnableWindow(owner, TRUE);
    SendMessageW(owner, WM_COMMAND, IDCANCEL, reinterpret_cast<LPARAM>(GetDlgItem(owner, IDCANCEL)));
}
