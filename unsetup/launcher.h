#pragma once

#include "unsetup/uninstaller_settings.h"

// The instance that the user starts: reads unsetup.def, refuses while
// Tavrel! runs, asks for confirmation, then starts its copy in a private
// working folder below Windows' temporary folder as the core and waits until
// the core releases it (at most three minutes). Its own executable is held
// open from start to end, and the copy is read from that handle.
void RunLauncher(UninstallerSettings& settings);
