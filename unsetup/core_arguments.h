#pragma once

#include <windows.h>

// The core's command line "/u<flag>,<launcher process id>", as the launcher
// writes it with "/u%d,%d".
struct CoreArguments {
    bool deleteUserData = false;  // the flag is not 0
    DWORD launcherProcessId = 0;
};

// True when the arguments begin with "/u" (case-sensitive): the core role.
bool IsCoreArguments(const wchar_t* arguments);

// Reads the two decimal integers after "/u" the way "%d,%d" does: blanks
// before each number, an optional sign, then digits; the comma must follow
// the first number directly. False unless both are read and fit in an int.
bool ReadCoreArguments(const wchar_t* arguments, CoreArguments& parsed);
