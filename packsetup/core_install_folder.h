#pragma once

#include <string>

// The core runs elevated and can be started by hand with any folder on its
// command line. It installs only into the installation of Tavrel! that the
// local machine's registry names (which only administrators can change),
// and only when the folder it was given is that folder: the same folder once
// both are opened, however either is spelled (8.3 alias, letter case, a
// trailing backslash). True with the registered folder, the one to install
// into; false when Tavrel! is not registered there, either folder cannot be
// opened as a folder, or they differ.
bool ConfirmCoreInstallFolder(const std::wstring& productKey, const std::wstring& givenFolder,
                              std::wstring& registeredFolder);
