#pragma once

#include <windows.h>

// Brings a window to the foreground even when another program's window has
// it, by attaching to the input of that window's thread for the moment.
// Returns the result of SetForegroundWindow.
bool ForceForegroundWindow(HWND window);
