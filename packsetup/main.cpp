#include <windows.h>

#include "common/win/dll_search.h"
#include "packsetup/entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();
    return RunPackSetup(instance);
}
