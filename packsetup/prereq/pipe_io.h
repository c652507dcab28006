#pragma once

// Overlapped transfers on a pipe with one reusable OVERLAPPED, waiting either
// for a stop event or for a time limit. A transfer that is abandoned is
// cancelled and waited for, so that no late completion writes into a buffer
// or OVERLAPPED that the caller reuses or frees. Only the thread that issues
// a transfer may call these for it (CancelIo acts on the calling thread's I/O).
#include <windows.h>

// Reads exactly 'size' bytes, issuing further reads after a short transfer.
// stopEvent may be null; timeoutMs applies to each wait. Results: 0,
// ERROR_OPERATION_ABORTED when the stop event is signalled, WAIT_TIMEOUT, or
// the Windows error of the read.
DWORD ReadPipeExact(HANDLE pipe, OVERLAPPED& overlapped, BYTE* buffer, DWORD size, HANDLE stopEvent,
                    DWORD timeoutMs);

// Writes all 'size' bytes, the same way.
DWORD WritePipeAll(HANDLE pipe, OVERLAPPED& overlapped, const BYTE* buffer, DWORD size, HANDLE stopEvent,
                   DWORD timeoutMs);

// Waits for an overlapped operation already issued (a pending connect, say).
// transferred receives the byte count on success.
DWORD WaitForPipeOperation(HANDLE pipe, OVERLAPPED& overlapped, HANDLE stopEvent, DWORD timeoutMs,
                           DWORD& transferred);
