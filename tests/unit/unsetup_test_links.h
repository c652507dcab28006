#pragma once

// Symbolic links for the uninstaller's tests. Wine shows a Unix symbolic
// link as a folder with the reparse-point attribute but cannot make a
// junction or a Windows symbolic link itself, so the link is made by the
// Unix ln, which Wine starts like any program.
#include <windows.h>

#include <string>
#include <vector>

namespace test_links {

inline std::string UnixPathOf(const std::wstring& windowsPath)
{
    typedef char*(CDECL * UnixFileNameFn)(const wchar_t*);
    UnixFileNameFn unixFileName = reinterpret_cast<UnixFileNameFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!unixFileName)
        return std::string();
    char* name = unixFileName(windowsPath.c_str());
    if (!name)
        return std::string();
    std::string path(name);
    HeapFree(GetProcessHeap(), 0, name);
    return path;
}

inline std::wstring Widen(const std::string& text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::vector<wchar_t> wide(size > 0 ? size : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, wide.data(), size);
    return wide.data();
}

// Runs a Unix program with the given arguments (already quoted) and waits
// until the condition holds: the handle of a Unix process may signal before
// the program has done its work.
template <typename Condition>
inline bool RunUnixProgram(const wchar_t* program, const std::wstring& arguments, Condition done)
{
    std::wstring commandLine = std::wstring(program) + L" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW((std::wstring(L"Z:\\bin\\") + program).c_str(), &commandLine[0], nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &started))
        return false;
    WaitForSingleObject(started.hProcess, 10000);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    for (int i = 0; i < 100 && !done(); ++i)
        Sleep(50);
    return done();
}

inline std::wstring QuotedUnixPath(const std::wstring& windowsPath)
{
    return L"\"" + Widen(UnixPathOf(windowsPath)) + L"\"";
}

// Makes link a symbolic link to the folder target; true when the link shows
// as a reparse point.
inline bool MakeFolderLink(const std::wstring& link, const std::wstring& target)
{
    if (UnixPathOf(target).empty() || UnixPathOf(link).empty())
        return false;
    return RunUnixProgram(L"ln", L"-s " + QuotedUnixPath(target) + L" " + QuotedUnixPath(link), [&link] {
        DWORD attributes = GetFileAttributesW(link.c_str());
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    });
}

// Removes a folder tree with the Unix rm, which removes links themselves and
// never follows them.
inline bool RemoveTreeKeepingLinkTargets(const std::wstring& folder)
{
    if (GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES)
        return true;
    if (UnixPathOf(folder).empty())
        return false;
    return RunUnixProgram(L"rm", L"-rf " + QuotedUnixPath(folder),
                          [&folder] { return GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES; });
}

} // namespace test_links
