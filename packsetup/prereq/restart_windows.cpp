#include "packsetup/prereq/restart_windows.h"

#include "common/win/message_box.h"
#include "common/win/shutdown_privilege.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

namespace {

ExitWindowsFunction exitWindows = ExitWindowsEx;

} // namespace

ExitWindowsFunction SetExitWindowsForTesting(ExitWindowsFunction function)
{
    ExitWindowsFunction previous = exitWindows;
    exitWindows = function ? function : ExitWindowsEx;
    return previous;
}

bool OfferWindowsRestart(HWND owner)
{
    const std::wstring& caption = Installer().definition.caption;
    if (ShowMessageBox(owner, LoadText(IDS_RESTART_QUESTION), caption,
                       MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return false;

    // Without the privilege the request simply fails and is reported below.
    EnableShutdownPrivilege(true);
    BOOL restarting = exitWindows(EWX_REBOOT, 0);
    EnableShutdownPrivilege(false);
    if (restarting)
        return true;
    ShowMessageBox(owner, LoadText(IDS_RESTART_FAILED), caption, MB_ICONERROR);
    return false;
}
