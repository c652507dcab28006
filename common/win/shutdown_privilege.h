#pragma once

#include <windows.h>

// Switches the shutdown privilege of the own process on or off. True only when
// the change was applied completely: a token that does not hold the privilege
// gives false.
bool EnableShutdownPrivilege(bool enable);

// The same for a given token, opened with TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY.
bool SetShutdownPrivilege(HANDLE token, bool enable);
