#pragma once

#include <windows.h>

#include <string>

class FolderScanner;

// What InstallPackage hands to its worker; lives on InstallPackage's stack
// until the worker has ended, and nothing in it changes while it runs.
struct InstallWorkerParams {
    HWND progressDialog = nullptr;
    HWND ownerWindow = nullptr;              // may be null
    const std::wstring* installFolder = nullptr;
    bool perUser = false;                    // the record goes to HKCU, else HKLM
    const FolderScanner* package = nullptr;  // the listed image folder
};

// Thread procedure (_beginthreadex) of the installation: removes the obsolete
// components, copies the package, extends the uninstall manifest, deletes the
// unpacked package and records the package in the registry. Exit code 1 when
// it got to the end, 0 when the copy was cancelled or given up, in which case
// nothing after the copy is touched.
unsigned __stdcall InstallWorker(void* params);

// The last phases ("Registering programs...", "Deleting unnecessary files...")
// stay on screen at least this long together, 2,000 ms by default. The
// benchmark sets 0 to measure the work alone.
void SetFinalPhaseMinimumForTesting(DWORD milliseconds);
