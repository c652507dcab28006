#pragma once

// Running a prerequisite setup's worker thread behind its progress dialog.
#include <windows.h>

#include "common/win/scoped_handle.h"

// Starts a worker thread on the block; null when it cannot be started.
ScopedHandle StartWorker(unsigned(__stdcall* worker)(void*), void* block);

// Keeps the dialog (may be null) alive until the worker has ended, and returns its exit code. The worker uses the caller's
// stack and dialog, so an exit code that cannot be read still waits for the
// thread itself, and counts as 0.
DWORD WaitForWorker(HANDLE thread, HWND dialog);

// Identifier and period of the timer that wakes the waiting thread.
const UINT_PTR kWorkerWakeTimer = 101;
const UINT kWorkerWakePeriod = 100;

// Shows a freshly created progress dialog with its wake timer.
void ShowWithWakeTimer(HWND dialog);
