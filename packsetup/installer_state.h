#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "packsetup/cancel_flag.h"
#include "packsetup/installed_items.h"
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
    // What the copy put in place, for the uninstall manifest: full target
    // paths of the files in copy order, and every folder level entered.
    std::vector<std::wstring> installedFiles;
    InstalledFolderList installedFolders;
    // Set by the progress dialog's Cancel button, read by the copy worker
    // between two files.
    CancelFlag cancelRequested;
};

// The one state of this process.
InstallerState& Installer();
