#include "packsetup/path_below_folder.h"

#include <windows.h>

#include <vector>

namespace {

// The full path with every level in its long form; the path must exist.
bool ResolveLongPath(const std::wstring& path, std::wstring& resolved)
{
    DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return false;
    std::vector<wchar_t> full(needed);
    DWORD length = GetFullPathNameW(path.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return false;
    needed = GetLongPathNameW(full.data(), nullptr, 0);
    if (needed == 0)
        return false;
    std::vector<wchar_t> longForm(needed);
    length = GetLongPathNameW(full.data(), longForm.data(), needed);
    if (length == 0 || length >= needed)
        return false;
    resolved.assign(longForm.data(), length);
    return true;
}

// Upper case by the invariant table, compared ordinally afterwards: the way
// the file system matches names, and no linguistic equivalences.
bool UpperCased(const std::wstring& text, std::wstring& upper)
{
    if (text.empty()) {
        upper.clear();
        return true;
    }
    int length = static_cast<int>(text.size());
    std::vector<wchar_t> mapped(text.size());
    if (LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, text.c_str(), length, mapped.data(), length) != length)
        return false;
    upper.assign(mapped.data(), mapped.size());
    return true;
}

} // namespace

bool IsPathBelowFolder(const std::wstring& path, const std::wstring& folder)
{
    std::wstring longPath;
    std::wstring longFolder;
    if (!ResolveLongPath(path, longPath) || !ResolveLongPath(folder, longFolder))
        return false;
    if (longFolder.empty() || longFolder.back() != L'\\')
        longFolder += L'\\';
    std::wstring upperPath;
    std::wstring upperFolder;
    if (!UpperCased(longPath, upperPath) || !UpperCased(longFolder, upperFolder))
        return false;
    return upperPath.size() > upperFolder.size() && upperPath.compare(0, upperFolder.size(), upperFolder) == 0;
}
