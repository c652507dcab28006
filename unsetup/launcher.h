#pragma once

#include "unsetup/uninstaller_settings.h"

// The instance that the user starts: reads unsetup.def, refuses while
// Tavrel! runs, asks for confirmation, then starts its copy in a private
// working folder below Windows' temporary folder as the core and waits until
// the core releases it (at most three minutes).
void RunLauncher(UninstallerSettings& settings);
