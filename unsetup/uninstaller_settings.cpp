#include "unsetup/uninstaller_settings.h"

UninstallerSettings& Uninstaller()
{
    static UninstallerSettings settings;
    return settings;
}
