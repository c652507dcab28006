#pragma once

// Paths of other build products, found from unit_tests.exe, which lives in
// <build>\tests\unit\.
#include <windows.h>

#include <string>

namespace build_tree {

inline std::wstring ParentOf(const std::wstring& path)
{
    return path.substr(0, path.find_last_of(L'\\'));
}

// <build>\<relative>.
inline std::wstring PathOf(const std::wstring& relative)
{
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    return ParentOf(ParentOf(ParentOf(std::wstring(own, length)))) + L"\\" + relative;
}

inline std::wstring PackSetupPath()
{
    return PathOf(L"packsetup\\packsetup.exe");
}

} // namespace build_tree
