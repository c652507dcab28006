#pragma once

#include <windows.h>

// Built by RunUninstallCore on its stack; alive until the worker has ended.
struct UninstallWorkerParams {
    HANDLE launcherProcess;          // waited on before its executable is deleted
    HANDLE launcherEvent;            // signalled once the registry work is done
    const wchar_t* launcherExecutable;
    DWORD launcherProcessId;
    HWND progressWindow;             // owner of the shell's folder look-ups
    bool* result;                    // false at start, true at the very end
};

// The uninstall worker thread: gathers the files and folders to remove from
// the application-data folders, the user's data (when asked) and the
// manifest, deletes the files, removes the registry keys, lets the launcher
// go, deletes the launcher's executable and removes the emptied folders
// deepest first. What an untrusted manifest lists is removed only within the
// bounds of BoundUntrustedManifest; the rest of it stays. Single failures are
// never reported. Returns 0.
DWORD WINAPI UninstallWorker(void* params);
