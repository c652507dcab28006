#include "packsetup/removable_component.h"

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// A level made of dots and spaces only is ".", ".." or is cut to one of
// them by the path rules.
bool IsNamedLevel(const std::wstring& level)
{
    return level.find_first_not_of(L". ") != std::wstring::npos;
}

} // namespace

bool IsRemovableComponentPath(const std::wstring& entry)
{
    if (entry.empty() || IsSeparator(entry[0]) || entry.find(L':') != std::wstring::npos)
        return false;
    bool named = false;
    size_t start = 0;
    while (start <= entry.size()) {
        size_t end = start;
        while (end < entry.size() && !IsSeparator(entry[end]))
            ++end;
        std::wstring level = entry.substr(start, end - start);
        // Doubled and trailing separators add no level.
        if (!level.empty()) {
            if (!IsNamedLevel(level))
                return false;
            named = true;
        }
        start = end + 1;
    }
    return named;
}
