#pragma once

// Removes the application folder and the current folder from the DLL search
// path, so that a DLL planted beside the program is never loaded. Call first
// thing in wWinMain.
void RestrictDllSearch();
