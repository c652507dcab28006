#pragma once

#include <string>

// Paths of the running program. Each must fit in MAX_PATH; a path that would
// not fit is reported as false, never cut.

// The full path of the running executable.
bool GetOwnExecutablePath(std::wstring& path);

// "<folder of the running executable>\<name>".
bool GetOwnFolderFilePath(const std::wstring& name, std::wstring& path);

// The folder part of a full path: "C:\a" for "C:\a\b.exe", "C:\" for "C:\b.exe".
std::wstring FolderOfPath(const std::wstring& path);

// The folder, a backslash unless it already ends with one, and the name.
std::wstring JoinPath(const std::wstring& folder, const std::wstring& name);
