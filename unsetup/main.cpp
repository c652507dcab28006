#include <windows.h>

#include "common/win/dll_search.h"
#include "unsetup/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int)
{
    RestrictDllSearch();
    return RunUnsetup(instance, arguments);
}
