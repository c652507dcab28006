#pragma once

#include <windows.h>

// The self-extracting package: checks the package appended to this program,
// unpacks it into %APPDATA%\Halvest\<SfxExtractPath> and starts its
// installer there. Every failure shows its message and leaves nothing
// unpacked. Returns the exit code: 0 when the installer was started.
int RunPackSfx(HINSTANCE instance);
