#include "packcheck/long_paths.h"

std::wstring ExtendedLengthPath(const std::wstring& fullPath)
{
    if (fullPath.compare(0, 4, L"\\\\?\\") == 0)
        return fullPath;
    if (fullPath.compare(0, 2, L"\\\\") == 0)
        return L"\\\\?\\UNC\\" + fullPath.substr(2);
    return L"\\\\?\\" + fullPath;
}
