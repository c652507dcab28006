#include "packsetup/interface_instance.h"

#include "common/win/flat_button.h"
#include "packsetup/install_lookup.h"
#include "packsetup/installer_state.h"
#include "packsetup/os_check.h"
#include "packsetup/run_or_elevate.h"
#include "packsetup/running_program_check.h"
#include "packsetup/single_instance_guard.h"
#include "packsetup/version_check.h"

int RunInterfaceInstance()
{
    InstallerState& state = Installer();
    RegisterFlatButtonClass(state.instance);

    if (!RunOperatingSystemCheck())
        return 0;
    if (!RunRunningProgramCheck())
        return 0;

    state.perUserInstall = true;

    SingleInstanceGuard guard;
    if (!guard.Acquire(kSetupMutexName))
        return -1;

    if (!RunInstallationLookup())
        return 0;
    if (!state.definition.requiredVersion.empty() && !RunVersionCheck())
        return 0;

    // Whatever happens there, the guard is released on the way out; a core
    // started from here runs without it.
    RunOrElevate(!state.perUserInstall);
    return 0;
}
