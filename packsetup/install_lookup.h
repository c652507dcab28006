#pragma once

#include <windows.h>

#include <string>

#include "packsetup/install_path.h"

// Looks for Tavrel! under the current user, then under the local machine.
// perUser tells which one had it; both stay unchanged when neither had it.
bool LocateInstallation(const std::wstring& productKey, std::wstring& folder, bool& perUser);

// The installation lookup of the interface instance: fills the installation
// folder of the installer state and clears perUserInstall for a machine-wide
// installation. False after telling the user that Tavrel! was not found.
bool RunInstallationLookup();
