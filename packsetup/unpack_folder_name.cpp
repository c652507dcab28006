#include "packsetup/unpack_folder_name.h"

#include <windows.h>

#include <vector>

bool IsForbiddenInName(wchar_t c)
{
    return c < 32 || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|'
        || c == L'/' || c == L'\\';
}

bool IsPlainName(const std::wstring& name)
{
    if (name.empty() || name.back() == L'.' || name.back() == L' ')
        return false;
    for (wchar_t c : name) {
        if (IsForbiddenInName(c))
            return false;
    }
    return true;
}

bool IsDeviceName(const std::wstring& name)
{
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    static const wchar_t* const kNumbered[] = {L"COM", L"LPT"};
    // Windows reads the part before the first dot, without trailing blanks.
    std::wstring base = name.substr(0, name.find(L'.'));
    size_t end = base.find_last_not_of(L' ');
    base.resize(end == std::wstring::npos ? 0 : end + 1);
    auto same = [&base](const wchar_t* device, int length) {
        return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, base.c_str(), length, device, length) == CSTR_EQUAL;
    };
    if (base.size() == 3) {
        for (const wchar_t* device : kDevices) {
            if (same(device, 3))
                return true;
        }
    }
    if (base.size() == 4 && base[3] >= L'1' && base[3] <= L'9') {
        for (const wchar_t* device : kNumbered) {
            if (same(device, 3))
                return true;
        }
    }
    return false;
}

bool NormalizeExtractPath(const std::wstring& extractPath, std::wstring& normalized)
{
    std::wstring path(extractPath);
    for (wchar_t& c : path) {
        if (c == L'/')
            c = L'\\';
    }
    if (path.compare(0, 2, L"\\\\") == 0)
        return false;

    std::wstring joined;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'\\', start);
        if (end == std::wstring::npos)
            end = path.size();
        std::wstring level = path.substr(start, end - start);
        start = end + 1;
        if (level.empty())
            continue;
        if (!IsPlainName(level))
            return false;
        if (!joined.empty())
            joined += L'\\';
        joined += level;
    }
    if (joined.empty())
        return false;
    normalized = joined;
    return true;
}

bool NormalizeUnpackFolder(const std::wstring& unpackFolder, std::wstring& normalized)
{
    size_t separator = unpackFolder.find(L'\\');
    if (separator == std::wstring::npos)
        return false;
    std::wstring maker = unpackFolder.substr(0, separator);
    std::wstring below;
    if (!IsPlainName(maker) || !NormalizeExtractPath(unpackFolder.substr(separator + 1), below))
        return false;
    normalized = maker + L'\\' + below;
    return true;
}
