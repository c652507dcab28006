#pragma once

#include <windows.h>

#include <string>

enum class LauncherImageResult {
    Found,
    ModulesUnreadable, // the launcher's module list cannot be read
    PathUnreadable,    // its executable's path cannot be read or does not fit
};

// The full path of the executable of a process opened with
// PROCESS_QUERY_INFORMATION and PROCESS_VM_READ: the file of its first
// module. psapi.dll is loaded from the system folder.
LauncherImageResult GetLauncherExecutablePath(HANDLE process, std::wstring& path);
