#pragma once

#include <windows.h>

#include <string>

// The first three numbers of a file version; the fourth is not used.
struct FileVersion {
    WORD major = 0;
    WORD minor = 0;
    WORD build = 0;
};

// Reads the file version from the fixed version information of an executable.
// False when the file is missing, has no version resource or the resource
// cannot be read.
bool GetExeFileVersion(const std::wstring& path, FileVersion& version);
