#include "packsetup/unpack_folder_name.h"

#include <vector>

namespace {

bool IsForbiddenInName(wchar_t c)
{
    return c < 32 || c == L':' || c == L'*' || c == L'?' || c == L'"' || c == L'<' || c == L'>' || c == L'|'
        || c == L'/' || c == L'\\';
}

// A folder name that names exactly itself below its parent. This also rules
// out "." and "..", which end in a dot.
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

} // namespace

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
