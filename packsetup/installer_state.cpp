#include "packsetup/installer_state.h"

InstallerState& Installer()
{
    static InstallerState state;
    return state;
}
