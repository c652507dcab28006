#include "packsetup/desktop_user_launch.h"

#include <windows.h>

#include "common/win/elevation.h"
#include "common/win/integrity_level.h"
#include "common/win/scoped_handle.h"
#include "common/win/system_library.h"

namespace {

const DWORD kMediumIntegrity = 0x2000;

// Not in Windows XP's advapi32, so bound at run time.
typedef BOOL(WINAPI* CreateProcessWithTokenFn)(HANDLE, DWORD, LPCWSTR, LPWSTR, DWORD, LPVOID, LPCWSTR,
                                                LPSTARTUPINFOW, LPPROCESS_INFORMATION);

// The shell's process, from the window that the system knows as the desktop
// shell's (any process could create a window of the shell's class); null
// when there is none or it cannot be opened.
ScopedHandle OpenShellProcess()
{
    DWORD shellId = 0;
    HWND shellWindow = GetShellWindow();
    if (shellWindow)
        GetWindowThreadProcessId(shellWindow, &shellId);
    if (shellId == 0)
        return ScopedHandle();
    return ScopedHandle(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, shellId));
}

// The full token of a split log-on, above medium integrity (or at a level
// that cannot be read): the desktop user's own programs run with less.
// Anything else starts the program with the user's rights already.
bool TokenRunsElevated()
{
    if (!IsElevatedAdministrator())
        return false;
    DWORD level = 0;
    return FAILED(GetProcessIntegrityLevel(GetCurrentProcessId(), &level)) || level > kMediumIntegrity;
}

ElevationProbe runsElevated = TokenRunsElevated;

bool LaunchWithShellToken(const std::wstring& program, const std::wstring& workingFolder)
{
    ScopedHandle shell = OpenShellProcess();
    if (!shell)
        return false;
    ScopedHandle shellToken;
    if (!OpenProcessToken(shell.get(), TOKEN_DUPLICATE, shellToken.Receive()))
        return false;
    ScopedHandle token;
    if (!DuplicateTokenEx(shellToken.get(), TOKEN_ALL_ACCESS, nullptr, SecurityImpersonation, TokenPrimary,
                          token.Receive()))
        return false;

    ScopedModule advapi(LoadSystemLibrary(L"advapi32.dll"));
    CreateProcessWithTokenFn createWithToken = BindProc<CreateProcessWithTokenFn>(advapi.get(),
                                                                                 "CreateProcessWithTokenW");
    if (!createWithToken)
        return false;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created = {};
    if (!createWithToken(token.get(), 0, program.c_str(), nullptr, 0, nullptr, workingFolder.c_str(), &startup,
                         &created))
        return false;
    ScopedHandle process(created.hProcess);
    ScopedHandle thread(created.hThread);
    return true;
}

bool LaunchWithOwnToken(const std::wstring& program, const std::wstring& workingFolder)
{
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION created = {};
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, workingFolder.c_str(),
                        &startup, &created))
        return false;
    ScopedHandle process(created.hProcess);
    ScopedHandle thread(created.hThread);
    return true;
}

} // namespace

ElevationProbe SetElevationProbeForTesting(ElevationProbe probe)
{
    ElevationProbe previous = runsElevated;
    runsElevated = probe ? probe : TokenRunsElevated;
    return previous;
}

bool LaunchAsDesktopUser(const std::wstring& program, const std::wstring& workingFolder)
{
    // Started with this process's own token, the program would run elevated
    // on the user's desktop, and its file dialogs would hand the user an
    // administrator's shell: elevated, the shell's token or nothing.
    if (runsElevated())
        return LaunchWithShellToken(program, workingFolder);
    return LaunchWithOwnToken(program, workingFolder);
}
