#pragma once

#include <string>

#include "unsetup/work_lists.h"

// Everything inside the user data folders below <roaming>\<appDataPath>,
// listed by FolderScanner, then each folder itself. Junctions and symbolic
// links are listed as entries of their own but never entered, and a user
// data folder that is itself one is not scanned.
void AddUserDataItems(UninstallWorkLists& lists, const std::wstring& roamingFolder,
                      const std::wstring& appDataPath);
