#include "packsetup/core_instance.h"

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/core_install_folder.h"
#include "packsetup/finish_install.h"
#include "packsetup/installer_state.h"
#include "packsetup/prereq/prerequisites.h"
#include "packsetup/res/resource.h"

namespace {

// Only a launcher passes a window and a CurrentUser other than 0: it is told
// to perform the installation itself. Started by hand without a window, the
// core installs all the same, for all users, but only into the registered
// installation: nothing changes for a folder that is not it.
void RunFinishingChoice(const CoreOptions& options)
{
    if (!options.performInstall && options.ownerWindow) {
        PostMessageW(options.ownerWindow, kHandBackMessage, 0, 0);
        return;
    }
    const PackageDefinition& definition = Installer().definition;
    std::wstring installFolder;
    if (!ConfirmCoreInstallFolder(definition.productRegistryKey, options.installFolder, installFolder)) {
        ShowMessageBox(options.ownerWindow, LoadText(IDS_CORE_START_FAILED), definition.caption, MB_ICONERROR);
        TellOwnerInstallEnded(options.ownerWindow);
        return;
    }
    FinishInstall(installFolder, options.ownerWindow, false);
}

} // namespace

int RunCoreInstance(const CoreOptions& options)
{
    // The prerequisites come first; declining to go on without one, or a
    // restart of Windows, ends the core.
    if (!RunPrerequisiteSteps(options))
        return 0;
    RunFinishingChoice(options);
    return 0;
}
