#pragma once

#include <windows.h>

#include <string>

// The path of a shell folder (CSIDL_APPDATA, CSIDL_LOCAL_APPDATA,
// CSIDL_PROGRAM_FILES, ...). The owner window (may be null) parents any prompt
// of the shell. False, with the path unchanged, when the shell knows no path.
bool GetShellFolderPath(int folderId, HWND owner, std::wstring& path);
