#pragma once

#include "packcheck/problem_list.h"
#include "packsetup/package_definition.h"

// Adds a finding for each RemoveComponents entry that the installer would
// skip, or that names Tavrel!'s or its uninstaller's own files, and for an
// SfxExtractPath that the installer would refuse to delete or that lies in
// the product's own data folder below the maker's.
void CheckRemovals(const PackageDefinition& definition, const std::wstring& fileName, ProblemList& problems);
