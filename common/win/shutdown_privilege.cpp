#include "common/win/shutdown_privilege.h"

#include "common/win/scoped_handle.h"

bool SetShutdownPrivilege(HANDLE token, bool enable)
{
    TOKEN_PRIVILEGES privileges;
    privileges.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
        return false;
    privileges.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;

    // The call succeeds with ERROR_NOT_ALL_ASSIGNED when the token lacks the
    // privilege, so only the last error tells whether it was applied.
    if (!AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr))
        return false;
    return GetLastError() == ERROR_SUCCESS;
}

bool EnableShutdownPrivilege(bool enable)
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive()))
        return false;
    return SetShutdownPrivilege(token.get(), enable);
}
