#include "packsfx/archive_names.h"

#include "packsetup/unpack_folder_name.h"

bool ArchiveNameInsideFolder(const std::wstring& name, std::wstring& relativePath)
{
    if (name.empty() || name[0] == L'\\' || name[0] == L'/' || name.find(L':') != std::wstring::npos)
        return false;
    std::wstring joined;
    size_t start = 0;
    for (;;) {
        size_t end = name.find_first_of(L"\\/", start);
        std::wstring level = name.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!IsPlainName(level) || IsDeviceName(level))
            return false;
        if (!joined.empty())
            joined += L'\\';
        joined += level;
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    relativePath = joined;
    return true;
}
