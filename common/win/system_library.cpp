#include "common/win/system_library.h"

#include <cwchar>

HMODULE LoadSystemLibrary(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH];
    UINT length = GetSystemDirectoryW(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    size_t nameLength = wcslen(fileName);
    if (length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    if (path[length - 1] != L'\\')
        path[length++] = L'\\';
    wmemcpy(path + length, fileName, nameLength + 1);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}
