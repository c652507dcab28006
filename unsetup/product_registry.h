#pragma once

#include <windows.h>

#include "unsetup/uninstaller_settings.h"

// Where the product's keys are removed: the two hives, and how the shell is
// told that file associations changed. Tests point these at scratch keys.
struct RegistryRoots {
    HKEY currentUser;
    HKEY localMachine;
    void (*associationsChanged)();
};

// HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE and SHChangeNotify.
RegistryRoots SystemRegistryRoots();

// Removes, each result ignored: the product key under the current user and
// the maker's key "Software\Halvest" when nothing else is left in it; unless
// in current-user mode, the same under the machine and the uninstall-
// information key; unless a test edition, the three file-association keys
// below Software\Classes of the install's hive, from both registry views
// where Windows keeps them apart, then tells the shell.
void RemoveProductRegistry(const RegistryRoots& roots, const UninstallerSettings& settings, bool currentUserMode);
