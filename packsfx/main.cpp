#include <windows.h>

#include "common/win/dll_search.h"
#include "packsfx/sfx_entry.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();
    return RunPackSfx(instance);
}
