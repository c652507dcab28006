#include "packsetup/deepest_first.h"

#include <algorithm>

namespace {

bool OrdinalGreater(const std::wstring& left, const std::wstring& right)
{
    return std::lexicographical_compare(right.begin(), right.end(), left.begin(), left.end(),
                                        [](wchar_t a, wchar_t b) {
                                            return static_cast<unsigned short>(a) < static_cast<unsigned short>(b);
                                        });
}

} // namespace

void SortDeepestFirst(std::vector<std::wstring>& folders)
{
    std::sort(folders.begin(), folders.end(), OrdinalGreater);
}
