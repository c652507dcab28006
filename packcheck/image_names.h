#pragma once

#include <string>
#include <vector>

#include "packcheck/problem_list.h"
#include "packsetup/folder_scanner.h"

// Adds a problem for each name in the image that Windows cannot hold or
// keep apart: a character no name can hold, a trailing dot or blank, a
// device name, two names in one folder that differ only in letter case; and
// for an entry at the top that would take the place of a file of Tavrel!
// or its uninstaller. Places are given as "image\<relative path>".
void CheckImageNames(const std::vector<FolderScanEntry>& entries, ProblemList& problems);
