#pragma once

#include <windows.h>

// The core's command line "/u<flag>,<launcher process id>", as the launcher
// writes it with "/u%d,%d", followed by ",<handle>": the value of the handle
// to the launcher's process that the core inherits (launcher_binding.h).
struct CoreArguments {
    bool deleteUserData = false;  // the flag is not 0
    DWORD launcherProcessId = 0;
    DWORD launcherHandle = 0;     // 0 when there is none
};

// True when the arguments begin with "/u" (case-sensitive): the core role.
bool IsCoreArguments(const wchar_t* arguments);

// Reads the two decimal integers after "/u" the way "%d,%d" does: blanks
// before each number, an optional sign, then digits; the comma must follow
// the first number directly. False unless both are read and fit in an int.
// A positive third number after a comma is the launcher's handle; anything
// else after the second number leaves it 0.
bool ReadCoreArguments(const wchar_t* arguments, CoreArguments& parsed);
