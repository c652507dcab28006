#include "common/win/dll_search.h"

#include <windows.h>

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
}
