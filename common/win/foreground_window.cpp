#include "common/win/foreground_window.h"

bool ForceForegroundWindow(HWND window)
{
    DWORD ownThread = GetCurrentThreadId();
    DWORD foregroundThread = 0;
    bool attached = false;
    HWND foreground = GetForegroundWindow();
    if (foreground) {
        foregroundThread = GetWindowThreadProcessId(foreground, nullptr);
        // A thread cannot attach to its own input.
        if (foregroundThread != 0 && foregroundThread != ownThread)
            attached = AttachThreadInput(ownThread, foregroundThread, TRUE) != FALSE;
        AllowSetForegroundWindow(GetCurrentProcessId());
    }

    bool result = SetForegroundWindow(window) != FALSE;
    BringWindowToTop(window);
    SetActiveWindow(window);

    if (attached)
        AttachThreadInput(ownThread, foregroundThread, FALSE);
    return result;
}
