#pragma once

#include <string>
#include <vector>

// The files in the installation folder that belong to Tavrel! and its
// uninstaller rather than to any package. The uninstall manifest decides
// what the next elevated uninstall deletes, so a package must never replace
// the uninstaller's files, and never remove any of them. The installer, the
// uninstaller and the package checker all go by these lists.

// tavrelunsetup.dat, unsetup.exe or unsetup.def: a package that would put a
// file of this name at the top of the installation folder is refused.
bool IsUninstallerOwnFileName(const std::wstring& name);

// The above, or tavrel.exe: a removal entry that reaches one of them is
// skipped.
bool IsProgramOwnFileName(const std::wstring& name);

// A removal entry that names one of those at the top of the installation
// folder by name alone ("tavrel.exe", "\Tavrel.EXE\" alike).
bool NamesProgramOwnFileAtTop(const std::wstring& entry);

// The same files by name, to be opened in an installation folder and told
// apart from other entries by identity rather than by spelling.
std::vector<std::wstring> UninstallerOwnFileNames();
std::vector<std::wstring> ProgramOwnFileNames();
