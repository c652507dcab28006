#pragma once

#include <windows.h>

#include <string>

// Whether two file names are the same to Windows, which never tells names
// apart by letter case. The invariant locale compares "I" and "i" as equal
// whatever the user's language is.
inline bool SameFileName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}
