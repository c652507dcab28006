#pragma once

#include <string>

// The running program's full path; false when it does not fit in MAX_PATH.
bool GetProgramPath(std::wstring& path);

// The folder that holds the running program, without trailing backslash (a
// drive root keeps it); false when the path does not fit in MAX_PATH.
bool GetProgramFolder(std::wstring& folder);
