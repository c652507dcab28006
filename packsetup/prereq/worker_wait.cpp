#include "packsetup/prereq/worker_wait.h"

#include <process.h>

#include "common/win/message_pump.h"

ScopedHandle StartWorker(unsigned(__stdcall* worker)(void*), void* block)
{
    return ScopedHandle(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, worker, block, 0, nullptr)));
}

DWORD WaitForWorker(HANDLE thread, HWND dialog)
{
    DWORD exitCode = 0;
    for (;;) {
        if (!GetExitCodeThread(thread, &exitCode)) {
            while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
                PumpPendingMessages(dialog);
            return 0;
        }
        if (exitCode != STILL_ACTIVE)
            return exitCode;
        PumpPendingMessages(dialog);
        // Wakes on a message, the worker's end or the period, so that the
        // wait also ends without a dialog and its timer.
        MsgWaitForMultipleObjects(1, &thread, FALSE, kWorkerWakePeriod, QS_ALLINPUT);
    }
}

void ShowWithWakeTimer(HWND dialog)
{
    SetTimer(dialog, kWorkerWakeTimer, kWorkerWakePeriod, nullptr);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
}
