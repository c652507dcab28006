#include "packsetup/start_process.h"

#include <shlwapi.h>

#include "common/win/scoped_handle.h"
#include "packsetup/package_paths.h"

bool StartProcess(const std::wstring& program, const wchar_t* arguments, DWORD* exitCode, bool wait,
                  DWORD waitMilliseconds)
{
    if (!FitsMaxPath(program))
        return false;
    wchar_t folder[MAX_PATH];
    program.copy(folder, program.size());
    folder[program.size()] = L'\0';
    PathRemoveFileSpecW(folder);

    std::wstring commandLine = program.find(L' ') != std::wstring::npos ? L"\"" + program + L"\"" : program;
    if (arguments && *arguments) {
        commandLine += L' ';
        commandLine += arguments;
    }

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE,
                        CREATE_NEW_CONSOLE | CREATE_NEW_PROCESS_GROUP | CREATE_DEFAULT_ERROR_MODE, nullptr,
                        folder[0] ? folder : nullptr, &startup, &created))
        return false;
    ScopedHandle process(created.hProcess);
    ScopedHandle thread(created.hThread);

    if (wait)
        WaitForSingleObject(process.get(), waitMilliseconds);
    if (exitCode && !GetExitCodeProcess(process.get(), exitCode))
        *exitCode = STILL_ACTIVE;
    return true;
}
