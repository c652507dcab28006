#pragma once

#include <windows.h>

#include <string>

#include "packsetup/command_line.h"

// What the core instance's command line asks for.
struct CoreOptions {
    std::wstring installFolder;   // the value of CoreExec
    HWND ownerWindow = nullptr;   // Hwnd: the launcher's window, none when 0 or not a number
    bool installDotnet = false;   // DotnetSetup, exact case
    bool installDirectX = false;  // DxSetup, exact case
    bool performInstall = false;  // CurrentUser is 0: install here; otherwise hand back
};

// Reads the core's options; false when there is no CoreExec option, which
// makes this the interface instance.
bool ReadCoreOptions(const CommandLine& commandLine, CoreOptions& options);
