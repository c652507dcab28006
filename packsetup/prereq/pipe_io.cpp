#include "packsetup/prereq/pipe_io.h"

namespace {

// Cancels the calling thread's pending I/O on the pipe and waits until the
// cancelled operation has completed.
void AbandonOperation(HANDLE pipe, OVERLAPPED& overlapped)
{
    CancelIo(pipe);
    DWORD ignored = 0;
    GetOverlappedResult(pipe, &overlapped, &ignored, TRUE);
}

enum class Direction { Read, Write };

DWORD Transfer(Direction direction, HANDLE pipe, OVERLAPPED& overlapped, BYTE* buffer, DWORD size,
               HANDLE stopEvent, DWORD timeoutMs)
{
    DWORD done = 0;
    while (done < size) {
        // Transfers that complete at once (a peer flooding empty writes, say)
        // never reach the wait below, so the stop request is looked at here.
        if (stopEvent && WaitForSingleObject(stopEvent, 0) == WAIT_OBJECT_0)
            return ERROR_OPERATION_ABORTED;
        ResetEvent(overlapped.hEvent);
        DWORD transferred = 0;
        BOOL completed = direction == Direction::Read
                             ? ReadFile(pipe, buffer + done, size - done, &transferred, &overlapped)
                             : WriteFile(pipe, buffer + done, size - done, &transferred, &overlapped);
        if (!completed) {
            DWORD error = GetLastError();
            if (error != ERROR_IO_PENDING)
                return error;
            error = WaitForPipeOperation(pipe, overlapped, stopEvent, timeoutMs, transferred);
            if (error != ERROR_SUCCESS)
                return error;
        }
        done += transferred;
    }
    return ERROR_SUCCESS;
}

} // namespace

DWORD WaitForPipeOperation(HANDLE pipe, OVERLAPPED& overlapped, HANDLE stopEvent, DWORD timeoutMs,
                           DWORD& transferred)
{
    HANDLE events[2] = {overlapped.hEvent, stopEvent};
    DWORD count = stopEvent ? 2 : 1;
    DWORD wait = WaitForMultipleObjects(count, events, FALSE, timeoutMs);
    if (wait == WAIT_OBJECT_0) {
        if (GetOverlappedResult(pipe, &overlapped, &transferred, FALSE))
            return ERROR_SUCCESS;
        return GetLastError();
    }
    DWORD error;
    if (wait == WAIT_OBJECT_0 + 1)
        error = ERROR_OPERATION_ABORTED;
    else if (wait == WAIT_TIMEOUT)
        error = WAIT_TIMEOUT;
    else
        error = GetLastError();
    AbandonOperation(pipe, overlapped);
    return error;
}

DWORD ReadPipeExact(HANDLE pipe, OVERLAPPED& overlapped, BYTE* buffer, DWORD size, HANDLE stopEvent,
                    DWORD timeoutMs)
{
    return Transfer(Direction::Read, pipe, overlapped, buffer, size, stopEvent, timeoutMs);
}

DWORD WritePipeAll(HANDLE pipe, OVERLAPPED& overlapped, const BYTE* buffer, DWORD size, HANDLE stopEvent,
                   DWORD timeoutMs)
{
    return Transfer(Direction::Write, pipe, overlapped, const_cast<BYTE*>(buffer), size, stopEvent, timeoutMs);
}
