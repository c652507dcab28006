#pragma once

// The package that the copy and install benchmarks use, and Wine's own xcopy
// of it as the yardstick.
#include <windows.h>

#include <string>

#include "bench_support.h"

namespace bench {

// 5,000 files of 1 to 64 KiB in 100 folders of two levels, and two files of
// 60 MiB, below the given (new) folder.
inline bool MakePackage(const std::wstring& image)
{
    if (!CreateDirectoryW(image.c_str(), nullptr))
        return false;
    unsigned seed = 12345;
    int files = 0;
    for (int a = 0; a < 10; ++a) {
        std::wstring top = image + L"\\group" + std::to_wstring(a);
        if (!CreateDirectoryW(top.c_str(), nullptr))
            return false;
        for (int b = 0; b < 10; ++b) {
            std::wstring folder = top + L"\\set" + std::to_wstring(b);
            if (!CreateDirectoryW(folder.c_str(), nullptr))
                return false;
            for (int c = 0; c < 50; ++c, ++files) {
                seed = seed * 1103515245u + 12345u;
                DWORD size = 1024 + (seed >> 8) % (63 * 1024 + 1);
                if (!WriteFileOfSize(folder + L"\\item" + std::to_wstring(c) + L".dat", size, seed))
                    return false;
            }
        }
    }
    const DWORD big = 60u * 1024 * 1024;
    return files == 5000 && WriteFileOfSize(image + L"\\group0\\large1.bin", big, 1)
        && WriteFileOfSize(image + L"\\group9\\set9\\large2.bin", big, 2);
}

// The many-small-files package: 2,000 files of 1 to 5 KiB in 50 folders
// (10 groups of 5 sets), below the given (new) folder.
inline bool MakeSmallFilePackage(const std::wstring& image)
{
    if (!CreateDirectoryW(image.c_str(), nullptr))
        return false;
    unsigned seed = 54321;
    for (int a = 0; a < 10; ++a) {
        std::wstring top = image + L"\\group" + std::to_wstring(a);
        if (!CreateDirectoryW(top.c_str(), nullptr))
            return false;
        for (int b = 0; b < 5; ++b) {
            std::wstring folder = top + L"\\set" + std::to_wstring(b);
            if (!CreateDirectoryW(folder.c_str(), nullptr))
                return false;
            for (int c = 0; c < 40; ++c) {
                seed = seed * 1103515245u + 12345u;
                DWORD size = 1024 + (seed >> 8) % (4 * 1024 + 1);
                if (!WriteFileOfSize(folder + L"\\item" + std::to_wstring(c) + L".dat", size, seed))
                    return false;
            }
        }
    }
    return true;
}

// Seconds that "xcopy source target /E /I /Y /Q" of the system took; -1 when
// it failed.
inline double CopyWithXcopy(const std::wstring& source, const std::wstring& target)
{
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system, length) + L"\\xcopy.exe\" \"" + source + L"\" \"" + target
        + L"\" /E /I /Y /Q";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                         OPEN_EXISTING, 0, nullptr);
    PROCESS_INFORMATION process = {};
    Stopwatch watch;
    BOOL created = CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    if (startup.hStdOutput != INVALID_HANDLE_VALUE)
        CloseHandle(startup.hStdOutput);
    if (!created)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double seconds = watch.Seconds();
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode == 0 ? seconds : -1;
}

// The faster of two runs; -1 when either failed.
inline double Best(double a, double b)
{
    if (a < 0 || b < 0)
        return -1;
    return a < b ? a : b;
}

} // namespace bench
