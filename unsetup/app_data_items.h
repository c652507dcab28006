#pragma once

#include <string>

#include "unsetup/work_lists.h"

// The product's fixed places below the roaming application-data folder: the
// maker's folder, the product folder P = <roaming>\<appDataPath>, the
// auto-backup and exception log, the updater and its folder, and the user
// data folders with their "Add New" folder (named in the UI language).
void AddRoamingDataItems(UninstallWorkLists& lists, const std::wstring& roamingFolder,
                         const std::wstring& appDataPath, const std::wstring& addNewName);

// The same below the local application-data folder: the maker's folder, the
// product folder and its updater.exe.
void AddLocalDataItems(UninstallWorkLists& lists, const std::wstring& localFolder,
                       const std::wstring& appDataPath);

// The user data folders below the product folder, in the order they are
// handled.
extern const wchar_t* const kUserDataFolders[4];
