#pragma once

#include <string>

// The command line of the core instance after the program's name:
// /Hwnd:<window> /CurrentUser:<0|1> "/CoreExec:<folder>", the folder exactly
// as given (blanks and a trailing backslash included) inside the quotes.
std::wstring BuildCoreParameters(unsigned long ownerWindow, bool currentUser, const std::wstring& installFolder);

// Whether the folder reaches the core whole through those parameters: not
// empty, no longer than an installation folder may be, and neither a double
// quote nor a NUL, either of which would end the option early.
bool CanPassToCore(const std::wstring& installFolder);
