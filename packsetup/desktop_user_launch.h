#pragma once

#include <string>

// Starts a program with the rights of the logged-on desktop user: when this
// process runs elevated on Vista or later, with a copy of the desktop shell's
// token; otherwise, or when that route fails anywhere, with this process's
// own token. The working folder is given as it is. True when the program
// was started.
bool LaunchAsDesktopUser(const std::wstring& program, const std::wstring& workingFolder);
