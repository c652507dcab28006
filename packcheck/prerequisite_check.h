#pragma once

#include <string>

#include "packcheck/problem_list.h"

// Adds a line when a "dotnet" or "directx" folder is present without the
// program or library that its setup looks for.
void CheckPrerequisites(const std::wstring& packageFolder, ProblemList& problems);
