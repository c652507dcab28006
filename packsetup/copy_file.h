#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>

// What the progress routine of one large file needs.
struct CopyProgressContext {
    HWND taskbarWindow;
    HWND progressDialog;
    ITaskbarList3* taskbarList;  // may be null
    uint64_t totalBytes;         // of the whole package
    uint64_t bytesBefore;        // of the files taken before this one
};

// Files above this size are copied with a progress routine.
const DWORD kLargeFileThreshold = 10485760;

// The progress bar's position in thousandths; full for an empty package.
int ProgressPosition(uint64_t done, uint64_t total);

// Progress routine for CopyFileExW; the data is a CopyProgressContext. Moves
// the bar and the taskbar progress, never cancels the copy.
DWORD CALLBACK CopyProgress(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred,
                            LARGE_INTEGER streamSize, LARGE_INTEGER streamBytesTransferred,
                            DWORD streamNumber, DWORD callbackReason, HANDLE sourceFile,
                            HANDLE destinationFile, LPVOID data);

// Copies a file over any existing target (read-only or not) and leaves the
// copy writable. Tries 10 times 200 ms apart, then asks the user (box owned
// by the owner window) whether to retry, which makes a series of 9 more
// attempts. False when the user picks Cancel. Paths that do not fit in
// MAX_PATH are never tried and go straight to the question.
bool CopyFileWithRetry(HWND owner, const std::wstring& source, const std::wstring& target,
                       ITaskbarList3* taskbarList, HWND taskbarWindow,
                       LPPROGRESS_ROUTINE routine, CopyProgressContext* context);

// Test seam: the copy call of CopyFileWithRetry (CopyFileExW by default;
// null restores it). Returns the previous one.
typedef BOOL(WINAPI* CopyFileFunction)(LPCWSTR source, LPCWSTR target, LPPROGRESS_ROUTINE routine,
                                       LPVOID data, LPBOOL cancel, DWORD flags);
CopyFileFunction SetCopyFunctionForTesting(CopyFileFunction copy);
