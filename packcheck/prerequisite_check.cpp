#include "packcheck/prerequisite_check.h"

#include <windows.h>

#include "packsetup/prereq/directx_setup.h"
#include "packsetup/prereq/dotnet_setup.h"

namespace {

bool IsFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

} // namespace

void CheckPrerequisites(const std::wstring& packageFolder, ProblemList& problems)
{
    std::wstring dotnet = packageFolder + L"\\dotnet";
    if (IsFolder(dotnet) && !IsFile(DotnetSetupProgramPath(dotnet)))
        problems.Add(L"dotnet", L"holds neither dotnetfx3.exe nor dotnetfx3setup.exe");
    std::wstring directx = packageFolder + L"\\directx";
    if (IsFolder(directx) && !IsFile(directx + L"\\" + kDirectXSetupLibrary))
        problems.Add(L"directx", std::wstring(L"holds no ") + kDirectXSetupLibrary);
}
