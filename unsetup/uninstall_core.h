#pragma once

#include <windows.h>

#include "unsetup/uninstaller_settings.h"

// The core's work between its command line and its final message: binds to
// the launcher (its process, executable and the event), loads the uninstall
// manifest beside the launcher's executable into settings.manifest, runs the
// uninstall worker behind the progress window and starts the self-removal.
// Every failure shows its own message first. True when the worker ran to its
// end. Once the event is open, the launcher is released on every path.
bool RunUninstallCore(UninstallerSettings& settings, DWORD launcherProcessId);
