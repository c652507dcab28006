#include "packsetup/package_paths.h"

#include <shlwapi.h>

void RemoveOneTrailingBackslash(std::wstring& path)
{
    if (path.empty() || path.back() != L'\\')
        return;
    if (!FitsMaxPath(path)) {
        path.pop_back();
        return;
    }
    wchar_t buffer[MAX_PATH];
    path.copy(buffer, path.size());
    buffer[path.size()] = L'\0';
    PathRemoveBackslashW(buffer);
    path.assign(buffer);
}

