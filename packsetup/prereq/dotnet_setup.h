#pragma once

// The .NET Framework 3 setup: runs the setup program that the package
// carries in its "dotnet" folder, shows the progress that it reports over the
// setup watcher's pipe and interprets its exit code.
#include <windows.h>

#include <string>

// How long the setup may run before it counts as failed (it is left running).
const DWORD kDotnetSetupWait = 3000000;

// The setup program in a "dotnet" folder: dotnetfx3.exe when it is there,
// otherwise dotnetfx3setup.exe (which need not exist).
std::wstring DotnetSetupProgramPath(const std::wstring& dotnetFolder);

// Runs the setup from the "dotnet" folder beside the running program, with
// its progress dialog owned by the owner window (may be null). True when it
// reported success; then restartNeeded is set when it asked for a restart.
// On failure the reason is the text to show, empty when the user cancelled
// the setup. The caller clears both before the call.
bool RunDotnetSetup(HWND owner, std::wstring& reason, bool& restartNeeded);

// The same with the folder that holds the setup program and the wait.
bool RunDotnetSetupFrom(const std::wstring& dotnetFolder, DWORD waitMilliseconds, HWND owner,
                        std::wstring& reason, bool& restartNeeded);
