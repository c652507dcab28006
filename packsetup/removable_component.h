#pragma once

#include <string>

// Whether an entry of the package's removal lists may be removed: only a
// plain relative path of named levels, which joined to the installation
// folder stays below it. Absolute paths, drives, UNC paths, any ':' (a
// drive or a stream), "." and ".." levels, and entries that name no level
// at all are skipped. The installer and the package checker both go by
// this rule.
bool IsRemovableComponentPath(const std::wstring& entry);
