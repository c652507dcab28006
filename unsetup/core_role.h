#pragma once

#include "unsetup/uninstaller_settings.h"

// The core: the copy in the launcher's working folder that the launcher
// started with "/u<flag>,<launcher process id>". Reads and deletes the
// definition beside it, runs the removal and shows the outcome.
void RunCoreRole(UninstallerSettings& settings, const wchar_t* arguments);
