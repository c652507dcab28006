#pragma once

#include <windows.h>

#include "common/win/scoped_handle.h"

// The running program's own executable, opened for reading without write or
// delete sharing. While the handle lives nobody can change, rename or replace
// the file, so the core that the launcher copies from it is the program that
// the user started and confirmed, not whatever a user who can write the
// installation folder put under its name meanwhile. Null when it cannot be
// opened.
ScopedHandle HoldOwnExecutable();
