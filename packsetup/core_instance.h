#pragma once

#include "packsetup/core_options.h"

// The run sequence of the instance started with /CoreExec. Returns the exit code.
int RunCoreInstance(const CoreOptions& options);
