#pragma once

#include <windows.h>

#include <string>

#include "packsetup/package_definition.h"

// What one run of packsetup knows, from start-up to exit.
struct InstallerState {
    HINSTANCE instance = nullptr;
    PackageDefinition definition;
    // Set by the interface instance, cleared when Tavrel! was installed for
    // all users; the core instance leaves it false.
    bool perUserInstall = false;
    // Where the installation lookup found Tavrel!; the core takes its folder
    // from the command line instead.
    std::wstring installFolder;
};

// The one state of this process.
InstallerState& Installer();
