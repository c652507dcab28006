#include "packsetup/core_instance.h"

#include "packsetup/finish_install.h"
#include "packsetup/prereq/prerequisites.h"

namespace {

// Only a launcher passes a window and a CurrentUser other than 0: it is told
// to perform the installation itself. Started by hand without a window, the
// core installs all the same, for all users.
void RunFinishingChoice(const CoreOptions& options)
{
    if (!options.performInstall && options.ownerWindow) {
        PostMessageW(options.ownerWindow, kHandBackMessage, 0, 0);
        return;
    }
    FinishInstall(options.installFolder, options.ownerWindow, false);
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
