// packsetup without the two-second minimum of the last install phases, so
// that the install benchmark can measure the work alone. Otherwise the same
// program, with the same resources.
#include <windows.h>

#include "common/win/dll_search.h"
#include "packsetup/entry.h"
#include "packsetup/install_worker.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int)
{
    RestrictDllSearch();
    SetFinalPhaseMinimumForTesting(0);
    return RunPackSetup(instance);
}
