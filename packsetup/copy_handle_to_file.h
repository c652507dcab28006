#pragma once

#include <windows.h>

#include <string>

// Writes everything that an open file holds from its position (the start,
// for a handle just opened) to a file at the target path, created with the
// disposition given (CREATE_ALWAYS replaces an existing file, CREATE_NEW
// never does), in large blocks, with the source's time of last change, and
// calls the progress routine (may be null) after each block. A target left
// incomplete is deleted through its handle. The copy reads the handle, never
// the source's path again, so what is copied is the file that was opened.
bool CopyHandleToFile(HANDLE source, const std::wstring& target, DWORD disposition, LPPROGRESS_ROUTINE routine,
                      void* data);
