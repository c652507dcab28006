#pragma once

#include <string>

#include "packcheck/problem_list.h"
#include "packsetup/package_definition.h"

// The name under which packsetup.exe finds its definition beside itself.
const wchar_t kDefinitionFileName[] = L"packsetup.def";

// Reads the package's definition as the installer does and adds a line for
// each problem: missing, not well-formed, wrong root, a required element
// missing or empty, a malformed required version, elements the installer
// does not know. True when the installer's reader would accept it; the
// record is then complete.
bool CheckDefinition(const std::wstring& packageFolder, PackageDefinition& definition, ProblemList& problems);
