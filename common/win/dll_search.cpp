#include "common/win/dll_search.h"

#include <windows.h>

#include "common/win/system_library.h"

namespace {

// No KnownDLLs, yet loaded by bare name on the programs' behalf: by the
// theme engine, the compatibility layer, desktop composition, the shell and
// COM, user profiles, security and setup classes.
const wchar_t* const kPreloadedLibraries[] = {
    L"uxtheme.dll", L"version.dll", L"psapi.dll",    L"msi.dll",     L"userenv.dll", L"setupapi.dll",
    L"apphelp.dll", L"dwmapi.dll",  L"cryptbase.dll", L"profapi.dll", L"propsys.dll", L"ntmarta.dll",
    L"sspicli.dll", L"secur32.dll", L"wtsapi32.dll", L"oleacc.dll",
};

} // namespace

void RestrictDllSearch()
{
    // SetDefaultDllDirectories exists from Windows 7 with KB2533623 on; Windows
    // XP only has SetDllDirectoryW, where an empty string drops the current folder.
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesFn setDefault = kernel
        ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
              reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
        : nullptr;
    if (setDefault && setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32))
        return;
    SetDllDirectoryW(L"");
    PreloadSystemLibraries();
}

int PreloadSystemLibraries()
{
    // The modules stay loaded for the life of the process on purpose.
    int loaded = 0;
    for (const wchar_t* name : kPreloadedLibraries) {
        if (LoadSystemLibrary(name))
            ++loaded;
    }
    return loaded;
}
