#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <cstdint>
#include <string>

class LinkFreeFolders;

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

// Copies a package file over any existing target (read-only or not) and
// leaves the copy writable. The source is opened through the held folders,
// level by level without following links, and read from that handle; a
// source that is reached through a link, is one, or has more than one name
// is refused at once: false, without a question. Otherwise tries 10 times
// 200 ms apart, then asks the user (box owned by the owner window) whether
// to retry, which makes a series of 9 more attempts. False when the user
// picks Cancel. Paths that do not fit in MAX_PATH are never tried and go
// straight to the question.
bool CopyFileWithRetry(HWND owner, LinkFreeFolders& sources, const std::wstring& source,
                       const std::wstring& target, ITaskbarList3* taskbarList, HWND taskbarWindow,
                       LPPROGRESS_ROUTINE routine, CopyProgressContext* context);

// CopyHandleToFile over any existing target.
bool CopyOpenFile(HANDLE source, const std::wstring& target, LPPROGRESS_ROUTINE routine, void* data);

// Test seam: the copy call of CopyFileWithRetry (CopyOpenFile by default;
// null restores it). Returns the previous one.
typedef bool (*CopyFileFunction)(HANDLE source, const std::wstring& target, LPPROGRESS_ROUTINE routine,
                                 void* data);
CopyFileFunction SetCopyFunctionForTesting(CopyFileFunction copy);
