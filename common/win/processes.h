#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

// The ids of all processes. The list grows until it holds every id, however
// busy the machine is; initialCapacity only sets the first attempt.
bool EnumerateProcessIds(std::vector<DWORD>& ids, std::size_t initialCapacity = 1024);

// Whether a process runs whose main module has the given base name (compared
// without regard to case). With terminate, the first one found is ended with
// exit code 0. Processes that cannot be opened (other users', protected ones)
// are skipped.
bool FindProcessByModuleName(const wchar_t* moduleName, bool terminate);

// The same for Tavrel!'s main program, "tavrel.exe".
bool FindMainProgramProcess(bool terminate);
