#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

#include "common/win/psapi_library.h"

// The ids of all processes. The list grows until it holds every id, however
// busy the machine is; initialCapacity only sets the first attempt.
bool EnumerateProcessIds(std::vector<DWORD>& ids, std::size_t initialCapacity = 1024);

// The calls that tell which program a process runs. Its main module's name
// comes from the module list; a 32-bit program cannot read the module list of
// a 64-bit one (ERROR_PARTIAL_COPY), so the name then comes from the image
// path: QueryFullProcessImageNameW where Windows has it (Vista and later),
// else GetProcessImageFileNameW (Windows XP). Either of the last two may be
// null.
struct ProcessNameCalls {
    typedef BOOL(WINAPI* QueryFullProcessImageNameFn)(HANDLE process, DWORD flags, wchar_t* name, DWORD* size);

    PsapiLibrary::EnumProcessModulesFn enumProcessModules;
    PsapiLibrary::GetModuleBaseNameFn getModuleBaseName;
    QueryFullProcessImageNameFn queryFullProcessImageName;
    PsapiLibrary::GetProcessImageFileNameFn getProcessImageFileName;
};

// The system's calls, those of psapi taken from the loaded library, which
// must outlive the result.
ProcessNameCalls SystemProcessNameCalls(const PsapiLibrary& psapi);

// Whether a process runs whose main module has the given base name (compared
// without regard to case), 32-bit or 64-bit. With terminate, the first one
// found is ended with exit code 0. Processes that cannot be opened (other
// users', protected ones) are skipped.
bool FindProcessByModuleName(const wchar_t* moduleName, bool terminate);

// The same with the given calls; tests make the module list fail as it does
// for a 32-bit program looking at a 64-bit one.
bool FindProcessByModuleName(const ProcessNameCalls& calls, const wchar_t* moduleName, bool terminate);

// The same for Tavrel!'s main program, "tavrel.exe".
bool FindMainProgramProcess(bool terminate);
