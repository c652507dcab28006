#pragma once

#include <windows.h>

// The program entry of unsetup: start-up, then the launcher or the core,
// chosen by the command-line arguments (the text after the program name).
// Always returns 0.
int RunUnsetup(HINSTANCE instance, const wchar_t* arguments);
