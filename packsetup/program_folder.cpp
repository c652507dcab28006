#include "packsetup/program_folder.h"

#include <windows.h>
#include <shlwapi.h>

bool GetProgramPath(std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    path.assign(buffer, length);
    return true;
}

bool GetProgramFolder(std::wstring& folder)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    PathRemoveFileSpecW(buffer);
    folder = buffer;
    return true;
}
