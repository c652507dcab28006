#pragma once

#include <string>

// Deletes a file, clearing its attributes first; up to five attempts 100 ms
// apart. True when the file is gone, including when it never existed; false
// when it stays, or when the path does not fit in MAX_PATH.
bool DeleteFileWithRetry(const std::wstring& path);

// Removes a folder only when it exists and is empty; up to five attempts
// 100 ms apart. True also when there is nothing to do (no folder, or a
// folder that still holds something, which stays); false when it could not
// be removed or the path does not fit in MAX_PATH.
bool RemoveEmptyFolder(const std::wstring& path);
