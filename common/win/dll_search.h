#pragma once

// Removes the application folder and the current folder from the DLL search
// path, so that a DLL planted beside the program is never loaded. Call first
// thing in wWinMain.
void RestrictDllSearch();

// Loads from the system folder, by full path, the DLLs that are no KnownDLLs
// but that the programs, or Windows on their behalf, load by bare name; the
// later loads by name then find them already loaded. Needed where the search
// order cannot be restricted (no SetDefaultDllDirectories: Windows XP, Vista
// and 7 without its update), which still searches the program's folder first.
// DLLs that the system lacks are skipped. Returns how many were loaded.
int PreloadSystemLibraries();
