#include "common/win/user_is_admin.h"

#include <windows.h>

#include "common/win/system_library.h"

bool ShellIsUserAnAdmin()
{
    typedef BOOL(WINAPI * IsUserAnAdminFn)();
    ScopedModule shell(LoadSystemLibrary(L"shell32.dll"));
    IsUserAnAdminFn isUserAnAdmin = BindProc<IsUserAnAdminFn>(shell.get(), MAKEINTRESOURCEA(680));
    return isUserAnAdmin && isUserAnAdmin() != FALSE;
}
