#pragma once

#include <windows.h>

// The program entry of packsetup: start-up, then the interface or the core
// run sequence. Returns the process exit code.
int RunPackSetup(HINSTANCE instance);
