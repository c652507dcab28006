#pragma once

#include <windows.h>

#include <string>

// Path rules shared by the copy engine, the manifest update and the
// uninstaller: paths live in MAX_PATH buffers, and a path that does not fit
// is reported, never cut.

// True when the path and its terminator fit in MAX_PATH characters.
inline bool FitsMaxPath(const std::wstring& path)
{
    return path.size() < MAX_PATH;
}

// Removes one trailing backslash the way PathRemoveBackslashW does (a root
// such as C:\ keeps it). Longer paths, which that function cannot take, are
// never roots and simply lose the backslash.
void RemoveOneTrailingBackslash(std::wstring& path);

