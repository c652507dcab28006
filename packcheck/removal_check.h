#pragma once

#include "packcheck/problem_list.h"
#include "packsetup/package_definition.h"

// Adds a line for each RemoveComponents entry that the installer would skip,
// and for an SfxExtractPath that it would refuse to delete or that names the
// product's own folder below the maker's.
void CheckRemovals(const PackageDefinition& definition, ProblemList& problems);
