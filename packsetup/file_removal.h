#pragma once

#include <string>

class LinkFreeFolders;

// The removal routines of both programs. They often run elevated inside
// folders that the user can change, so every entry is reached level by
// level without following a junction or symbolic link, and its attributes
// are reset and it is deleted through its own handle, never by path. A path
// that leads through a link, or that is not a full path, is refused: false,
// nothing touched, no retry. A link itself is removed as the link.

// Deletes a file, clearing its attributes first unless it has other names
// (hard links), whose attributes are the same file's; up to five attempts
// 100 ms apart. True when the file is gone, including when it never existed; false
// when it stays, or when the path does not fit in MAX_PATH.
bool DeleteFileWithRetry(const std::wstring& path);
// The same within a run of removals that reuses the folders opened for the
// entries before it.
bool DeleteFileWithRetry(const std::wstring& path, LinkFreeFolders& folders);

// Deletes a file in a single attempt, its attributes left as they are. True
// when it is gone.
bool DeleteFileOnce(const std::wstring& path);

// Removes a folder only when it exists and is empty; up to five attempts
// 100 ms apart. True also when there is nothing to do (no folder, or a
// folder that still holds something, which stays); false when it could not
// be removed or the path does not fit in MAX_PATH.
bool RemoveEmptyFolder(const std::wstring& path);
bool RemoveEmptyFolder(const std::wstring& path, LinkFreeFolders& folders);
