#pragma once

#include <windows.h>

#include "uiauto/scoped.h"

#include <string>
#include <utility>
#include <vector>

namespace uiauto {

struct LaunchOptions {
    std::wstring program;       // full path of the .exe
    std::wstring arguments;     // appended to the quoted program path as written
    std::wstring workingFolder; // empty: the caller's current folder
    // Added to (or replacing) the caller's environment, names compared without case.
    std::vector<std::pair<std::wstring, std::wstring>> environment;
    // Started with the limited token linked to the caller's elevated one, as
    // a program that the user starts runs under User Account Control
    // (Wine runs every program elevated otherwise).
    bool withoutElevation = false;
};

struct StartedProcess {
    ScopedHandle process;
    DWORD processId = 0;
    DWORD error = ERROR_SUCCESS; // GetLastError of CreateProcessW when process is null
};

StartedProcess StartProgram(const LaunchOptions& options);

// Quotes one argument so that CommandLineToArgvW gives it back unchanged.
std::wstring QuoteArgument(const std::wstring& argument);

} // namespace uiauto
