#pragma once

#include <string>

#include "packcheck/problem_list.h"

// The definition that the package's installer reads: the installer takes
// its own file name with ".def" for ".exe". The program is the one given
// (a file name in the package folder), else the only program (*.exe) at
// the top of the package folder; with none there, the only definition
// (*.def) there, else packsetup.def. False, after adding a problem, when
// the folder holds several programs and none is given.
bool ChooseDefinitionFile(const std::wstring& packageFolder, const std::wstring& program, std::wstring& definitionName,
                          ProblemList& problems);
