#pragma once

#include <string>

// Starts tavrel.exe of the installation folder (with or without a trailing
// backslash) as the desktop user, with the folder as given as its working
// folder. A failed start is not reported: the user simply sees no Tavrel!.
void StartTavrel(const std::wstring& installFolder);
