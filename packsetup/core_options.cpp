#include "packsetup/core_options.h"

#include <cstdint>

bool ReadCoreOptions(const CommandLine& commandLine, CoreOptions& options)
{
    if (!commandLine.GetOptionValue(L"CoreExec", options.installFolder))
        return false;

    std::wstring text;
    unsigned long number = 0;
    options.ownerWindow = nullptr;
    if (commandLine.GetOptionValue(L"Hwnd", text) && ParseOptionNumber(text, number))
        options.ownerWindow = reinterpret_cast<HWND>(static_cast<uintptr_t>(number));

    options.installDotnet = commandLine.HasOption(L"DotnetSetup");
    options.installDirectX = commandLine.HasOption(L"DxSetup");

    text.clear();
    options.performInstall = commandLine.GetOptionValue(L"CurrentUser", text)
        && ParseOptionNumber(text, number) && number == 0;
    return true;
}
