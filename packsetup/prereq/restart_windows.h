#pragma once

// The restart of Windows that a prerequisite setup may need before its
// components work.
#include <windows.h>

// Asks whether to restart Windows now (No is the default) and, on Yes,
// requests the restart with the shutdown privilege switched on for the call.
// True when Windows is restarting and the core must end; false after No or
// after a refused request, which has been reported.
bool OfferWindowsRestart(HWND owner);

// The system call that restarts Windows, ExitWindowsEx by default. Tests
// replace it, since the real call would end their session. Returns the
// previous function; null restores the default.
typedef BOOL(WINAPI* ExitWindowsFunction)(UINT flags, DWORD reason);
ExitWindowsFunction SetExitWindowsForTesting(ExitWindowsFunction function);
