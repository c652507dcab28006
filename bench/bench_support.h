#pragma once

// Timing and scratch-folder helpers of the benchmarks.
#include <windows.h>

#include <string>

namespace bench {

class Stopwatch {
public:
    Stopwatch() { QueryPerformanceCounter(&start_); }
    double Seconds() const
    {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart - start_.QuadPart) / static_cast<double>(frequency.QuadPart);
    }

private:
    LARGE_INTEGER start_;
};

inline std::wstring TempFolder(const std::wstring& name)
{
    wchar_t temp[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, temp);
    std::wstring path(temp, length);
    if (!path.empty() && path.back() == L'\\')
        path.pop_back();
    return path + L"\\" + name;
}

inline void RemoveTree(const std::wstring& folder)
{
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

inline bool WriteFileOfSize(const std::wstring& path, DWORD size, unsigned seed)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    static char block[1 << 16];
    for (size_t i = 0; i < sizeof(block); ++i)
        block[i] = static_cast<char>(seed + i * 31);
    bool ok = true;
    for (DWORD left = size; ok && left > 0;) {
        DWORD chunk = left < sizeof(block) ? left : static_cast<DWORD>(sizeof(block));
        DWORD written = 0;
        ok = WriteFile(file, block, chunk, &written, nullptr) && written == chunk;
        left -= chunk;
    }
    CloseHandle(file);
    return ok;
}

} // namespace bench
