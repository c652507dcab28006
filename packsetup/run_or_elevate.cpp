#include "packsetup/run_or_elevate.h"

#include <windows.h>
#include <shellapi.h>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "common/win/user_is_admin.h"
#include "packsetup/core_parameters.h"
#include "packsetup/finish_install.h"
#include "packsetup/installer_state.h"
#include "packsetup/os_version.h"
#include "packsetup/program_folder.h"
#include "packsetup/res/resource.h"

namespace {

void Refuse(UINT textId)
{
    ShowMessageBox(nullptr, LoadText(textId), Installer().definition.caption, MB_ICONERROR);
}

// The core: this program again, elevated, in its own folder. True when the
// shell started it; a refused elevation prompt is a failure as well, and so
// is a folder that the core would not receive whole.
bool StartElevatedCore(const std::wstring& installFolder, bool perUser)
{
    if (!CanPassToCore(installFolder))
        return false;
    std::wstring program;
    std::wstring folder;
    if (!GetProgramPath(program) || !GetProgramFolder(folder))
        return false;
    std::wstring parameters = BuildCoreParameters(0, perUser, installFolder);
    HINSTANCE result = ShellExecuteW(nullptr, L"RunAs", program.c_str(), parameters.c_str(), folder.c_str(),
                                     SW_SHOW);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

} // namespace

bool RunOrElevate(bool elevationWanted)
{
    const InstallerState& state = Installer();
    const std::wstring& folder = state.installFolder;

    if (!state.perUserInstall || elevationWanted) {
        if (IsVistaOrLaterWorkstation()) {
            if (StartElevatedCore(folder, state.perUserInstall))
                return true;
            Refuse(IDS_CORE_START_FAILED);
            return false;
        }
        if (!ShellIsUserAnAdmin()) {
            Refuse(IDS_ADMIN_REQUIRED);
            return false;
        }
    }
    FinishInstall(folder, nullptr, state.perUserInstall);
    return true;
}
