#include "unsetup/program_paths.h"

#include <windows.h>

#include "packsetup/package_paths.h"

bool GetOwnExecutablePath(std::wstring& path)
{
    // One character more than MAX_PATH tells a cut name from one that fits.
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH + 1);
    if (length == 0 || length >= MAX_PATH)
        return false;
    path.assign(buffer, length);
    return true;
}

bool GetOwnFolderFilePath(const std::wstring& name, std::wstring& path)
{
    std::wstring executable;
    if (name.empty() || !GetOwnExecutablePath(executable))
        return false;
    std::wstring joined = JoinPath(FolderOfPath(executable), name);
    if (!FitsMaxPath(joined))
        return false;
    path = joined;
    return true;
}

std::wstring FolderOfPath(const std::wstring& path)
{
    size_t slash = path.find_last_of(L'\\');
    if (slash == std::wstring::npos)
        return std::wstring();
    // A file directly in a drive root keeps the root's backslash.
    if (slash == 2 && path[1] == L':')
        return path.substr(0, 3);
    return path.substr(0, slash);
}

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name)
{
    if (!folder.empty() && folder.back() == L'\\')
        return folder + name;
    return folder + L"\\" + name;
}
