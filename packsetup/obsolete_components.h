#pragma once

#include <string>
#include <vector>

// Deletes the files that a package makes obsolete, in the order given, then
// removes the obsolete folders deepest first; a folder that still holds
// anything stays. Paths are relative to the installation folder (given
// without a trailing backslash); an entry that could lead out of it
// (IsRemovableComponentPath) is skipped, and so is a file entry that reaches
// tavrel.exe or one of the uninstaller's own files of the installation
// folder, in any spelling. Failures are not reported: whatever cannot be
// removed simply stays.
void RemoveObsoleteComponents(const std::wstring& installFolder, const std::vector<std::wstring>& files,
                              std::vector<std::wstring> folders);
