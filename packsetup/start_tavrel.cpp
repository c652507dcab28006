#include "packsetup/start_tavrel.h"

#include "packsetup/desktop_user_launch.h"
#include "packsetup/version_check.h"

void StartTavrel(const std::wstring& installFolder)
{
    std::wstring program;
    if (BuildMainProgramPath(installFolder, program))
        LaunchAsDesktopUser(program, installFolder);
}
