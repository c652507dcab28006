#pragma once

#include <windows.h>

// Dispatches every message waiting in the calling thread's queue and returns
// when none is left. Messages for the given dialog (may be null) go through
// IsDialogMessageW first. A WM_QUIT is put back and ends the pump, so that
// the caller's own loop still sees it.
void PumpPendingMessages(HWND dialog);
