#pragma once

#include <windows.h>

#include <string>

// Longest installation folder that the installer accepts, in characters.
const size_t kMaxInstallPathLength = MAX_PATH - 1;

// Reads the string value "InstallPath" of root\subKey, in the product's
// registry view (common/win/registry_view.h); a REG_EXPAND_SZ value
// has its environment variables expanded. False, with the path empty, when
// the key or value is missing, the value is of another type, is empty, or it
// or its expansion is longer than kMaxInstallPathLength characters.
bool ReadInstallPath(HKEY root, const std::wstring& subKey, std::wstring& installPath);

// Looks for Tavrel! under the current user, then under the local machine.
// perUser tells which one had it; both stay unchanged when neither had it.
bool LocateInstallation(const std::wstring& productKey, std::wstring& folder, bool& perUser);

// The installation lookup of the interface instance: fills the installation
// folder of the installer state and clears perUserInstall for a machine-wide
// installation. False after telling the user that Tavrel! was not found.
bool RunInstallationLookup();
