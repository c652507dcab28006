#pragma once

#include <windows.h>

#include <string>

#include "common/win/scoped_handle.h"

// The running program's own executable, opened for reading without write or
// delete sharing. While the handle lives nobody can change, rename or replace
// the file, so the core that the launcher copies from it is the program that
// the user started and confirmed, not whatever a user who can write the
// installation folder put under its name meanwhile. Null when it cannot be
// opened.
ScopedHandle HoldOwnExecutable();

// Copies the whole content of an open file, read through its handle from the
// start, into a new file at the target path (never over an existing one).
// False on any failure; a partly written target is the caller's to remove.
bool CopyHeldFile(HANDLE source, const std::wstring& target);
