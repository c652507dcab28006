#pragma once

#include <windows.h>

#include "common/win/system_library.h"

// The file-version functions, bound from version.dll in the system folder.
// Windows XP does not count version.dll among its KnownDLLs, so the programs
// never import it: a copy planted beside them would be loaded instead.
class VersionLibrary {
public:
    typedef DWORD(WINAPI* GetFileVersionInfoSizeFn)(const wchar_t* path, DWORD* handle);
    typedef BOOL(WINAPI* GetFileVersionInfoFn)(const wchar_t* path, DWORD handle, DWORD size,
                                               void* data);
    typedef BOOL(WINAPI* VerQueryValueFn)(const void* block, const wchar_t* subBlock,
                                          void** value, UINT* length);

    VersionLibrary();
    VersionLibrary(const VersionLibrary&) = delete;
    VersionLibrary& operator=(const VersionLibrary&) = delete;

    // False when the library or one of its functions is missing.
    bool IsLoaded() const;

    GetFileVersionInfoSizeFn getFileVersionInfoSize;
    GetFileVersionInfoFn getFileVersionInfo;
    VerQueryValueFn verQueryValue;

private:
    ScopedModule module_;
};
