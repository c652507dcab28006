#include "packsetup/program_own_files.h"

#include <windows.h>

namespace {

// Windows drops trailing dots and blanks from a name, so "unsetup.exe." is
// the same file as "unsetup.exe"; letter case never tells files apart.
bool NamesFile(const std::wstring& name, const wchar_t* fileName)
{
    size_t end = name.find_last_not_of(L". ");
    if (end == std::wstring::npos)
        return false;
    std::wstring trimmed = name.substr(0, end + 1);
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, trimmed.c_str(), -1, fileName, -1) == CSTR_EQUAL;
}

} // namespace

bool IsUninstallerOwnFileName(const std::wstring& name)
{
    return NamesFile(name, L"tavrelunsetup.dat") || NamesFile(name, L"unsetup.exe") || NamesFile(name, L"unsetup.def");
}

bool IsProgramOwnFileName(const std::wstring& name)
{
    return IsUninstallerOwnFileName(name) || NamesFile(name, L"tavrel.exe");
}

bool NamesProgramOwnFileAtTop(const std::wstring& entry)
{
    size_t first = entry.find_first_not_of(L"\\/");
    if (first == std::wstring::npos)
        return false;
    size_t last = entry.find_last_not_of(L"\\/");
    std::wstring level = entry.substr(first, last - first + 1);
    return level.find_first_of(L"\\/") == std::wstring::npos && IsProgramOwnFileName(level);
}

std::vector<std::wstring> UninstallerOwnFileNames()
{
    return {L"tavrelunsetup.dat", L"unsetup.exe", L"unsetup.def"};
}

std::vector<std::wstring> ProgramOwnFileNames()
{
    std::vector<std::wstring> names = UninstallerOwnFileNames();
    names.push_back(L"tavrel.exe");
    return names;
}
