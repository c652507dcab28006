#pragma once

#include <windows.h>

#include <functional>

// How the check sees the system; tests put in their own.
struct RunningProgramProbe {
    std::function<bool()> mainWindowExists;                // a "Tavrel_MainWindow" window
    std::function<bool(bool terminate)> findProcess;      // a tavrel.exe process
    std::function<void(DWORD milliseconds)> sleep;
};

// The probe of the running system.
RunningProgramProbe SystemRunningProgramProbe();

// Makes sure Tavrel! is not running. While its main window is there the check
// waits up to five seconds for the process to end and then asks the user to
// close it (Retry starts over); a process without a window is ended after two
// seconds. False when the user gives up.
bool RunRunningProgramCheck(const RunningProgramProbe& probe);
bool RunRunningProgramCheck();
