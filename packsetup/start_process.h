#pragma once

#include <windows.h>

#include <string>

// Starts a program in its own folder, in a new console and process group:
// the command line is the path (quoted when it holds a blank), then a blank
// and the arguments when there are any. With wait, waits up to the given time
// (a process still running then is left running); with an exit-code
// receiver, reads the exit code (STILL_ACTIVE for a process still running).
// True when the process was created.
bool StartProcess(const std::wstring& program, const wchar_t* arguments, DWORD* exitCode, bool wait,
                  DWORD waitMilliseconds);
