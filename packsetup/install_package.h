#pragma once

#include <windows.h>

#include <string>

// Installs the package of the "image" folder beside the running program into
// Tavrel!'s installation folder, behind the progress dialog, owned by the
// owner window (may be null), which stays disabled meanwhile. Checks the
// package listing, the folder's name and the free space, with its own
// messages, then runs InstallWorker and keeps the dialog alive until it
// ends. True only when the worker got to its end; false after a refused
// check, a declined question, a cancel or a copy given up. The owner is
// enabled again and the dialog gone when it returns.
bool InstallPackage(const std::wstring& installFolder, HWND owner, bool perUser);

// The same for a package folder given explicitly.
bool InstallPackageFrom(const std::wstring& packageFolder, const std::wstring& installFolder, HWND owner,
                        bool perUser);
