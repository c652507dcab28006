#include "packsetup/interface_instance.h"

#include "packsetup/installer_state.h"
#include "packsetup/single_instance_guard.h"

int RunInterfaceInstance()
{
    InstallerState& state = Installer();
    state.perUserInstall = true;

    SingleInstanceGuard guard;
    if (!guard.Acquire(kSetupMutexName))
        return -1;
    return 0;
}
