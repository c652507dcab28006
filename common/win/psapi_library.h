#pragma once

#include <windows.h>

#include "common/win/system_library.h"

// The process-status functions, bound from psapi.dll in the system folder.
// Windows XP does not count psapi.dll among its KnownDLLs, so the programs
// never import it: a copy planted beside them would be loaded instead.
class PsapiLibrary {
public:
    typedef BOOL(WINAPI* EnumProcessesFn)(DWORD* ids, DWORD bytes, DWORD* bytesReturned);
    typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE process, HMODULE* modules, DWORD bytes,
                                                DWORD* bytesNeeded);
    typedef DWORD(WINAPI* GetModuleBaseNameFn)(HANDLE process, HMODULE module, wchar_t* name,
                                               DWORD size);
    typedef DWORD(WINAPI* GetProcessImageFileNameFn)(HANDLE process, wchar_t* name, DWORD size);

    PsapiLibrary();
    PsapiLibrary(const PsapiLibrary&) = delete;
    PsapiLibrary& operator=(const PsapiLibrary&) = delete;

    // False when the library or one of the three functions that list
    // processes and name their modules is missing.
    bool IsLoaded() const;

    EnumProcessesFn enumProcesses;
    EnumProcessModulesFn enumProcessModules;
    GetModuleBaseNameFn getModuleBaseName;
    // Windows XP and later; null where missing.
    GetProcessImageFileNameFn getProcessImageFileName;

private:
    ScopedModule module_;
};
