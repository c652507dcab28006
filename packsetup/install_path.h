#pragma once

#include <windows.h>

#include <string>

// Longest installation folder that the programs accept, in characters.
const size_t kMaxInstallPathLength = MAX_PATH - 1;

// Reads the string value "InstallPath" of root\subKey, in the product's
// registry view (common/win/registry_view.h); a REG_EXPAND_SZ value
// has its environment variables expanded. False, with the path empty, when
// the key or value is missing, the value is of another type, is empty, or it
// or its expansion is longer than kMaxInstallPathLength characters.
bool ReadInstallPath(HKEY root, const std::wstring& subKey, std::wstring& installPath);

// Whether InstallPath of root\subKey names the given folder: the same folder
// once both are opened, however either is spelled (8.3 alias, letter case, a
// trailing backslash). The elevated programs go by what the local machine's
// keys say, which only administrators can change, never by a folder that a
// user handed them. True with the stored folder in registered.
bool RegistryNamesFolder(HKEY root, const std::wstring& subKey, const std::wstring& folder,
                         std::wstring& registered);
