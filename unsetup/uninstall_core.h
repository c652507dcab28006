#pragma once

#include <windows.h>

#include "unsetup/core_arguments.h"
#include "unsetup/uninstaller_settings.h"

// The core's work between its command line and its final message: binds to
// the launcher that started it (its process, through the handle it
// inherited and checked, its executable and the event; for any other
// process it does nothing), loads the uninstall manifest beside the
// launcher's executable into settings.manifest, runs the uninstall worker
// behind the progress window and starts the self-removal.
// Every failure shows its own message first. True when the worker ran to its
// end. Once the event is open, the launcher is released on every path.
bool RunUninstallCore(UninstallerSettings& settings, const CoreArguments& arguments);
