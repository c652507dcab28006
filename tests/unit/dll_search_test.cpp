// DLLs that Windows loads by name for the programs come from the system folder.
#include <doctest/doctest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "common/win/dll_search.h"

TEST_CASE("the DLLs loaded by name on the programs' behalf are preloaded from the system folder")
{
    wchar_t system[MAX_PATH];
    REQUIRE(GetSystemDirectoryW(system, MAX_PATH) > 0);
    PreloadSystemLibraries();
    int present = 0;
    for (const wchar_t* name : {L"uxtheme.dll", L"version.dll", L"psapi.dll", L"msi.dll", L"userenv.dll",
                                L"setupapi.dll", L"apphelp.dll", L"dwmapi.dll", L"cryptbase.dll"}) {
        std::wstring path = std::wstring(system) + L"\\" + name;
        if (!PathFileExistsW(path.c_str()))
            continue; // a DLL this system lacks is skipped
        ++present;
        wchar_t loaded[MAX_PATH] = L"";
        CAPTURE(path);
        CHECK(GetModuleFileNameW(GetModuleHandleW(name), loaded, MAX_PATH) > 0);
        CHECK(lstrcmpiW(loaded, path.c_str()) == 0);
    }
    CHECK(present > 0);
}
