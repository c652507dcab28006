#pragma once

#include <string>

// Starts a program with the rights of the logged-on desktop user: when this
// process runs elevated (the full token of a split log-on), with a copy of
// the desktop shell's token, and not at all when that route fails anywhere;
// otherwise with this process's own token. The working folder is given as it
// is. True when the program was started.
bool LaunchAsDesktopUser(const std::wstring& program, const std::wstring& workingFolder);

// Test seam: whether this process runs elevated (by default, from its token
// and integrity level). Null restores the default; returns the previous one.
typedef bool (*ElevationProbe)();
ElevationProbe SetElevationProbeForTesting(ElevationProbe probe);
