#include "packsetup/file_version.h"

#include <vector>

#include "common/win/version_library.h"

bool GetExeFileVersion(const std::wstring& path, FileVersion& version)
{
    VersionLibrary library;
    if (!library.IsLoaded())
        return false;

    DWORD handle = 0;
    DWORD size = library.getFileVersionInfoSize(path.c_str(), &handle);
    if (size == 0)
        return false;
    std::vector<BYTE> data(size, 0);
    if (!library.getFileVersionInfo(path.c_str(), 0, size, data.data()))
        return false;

    void* value = nullptr;
    UINT length = 0;
    if (!library.verQueryValue(data.data(), L"\\", &value, &length) || !value
        || length < sizeof(VS_FIXEDFILEINFO))
        return false;
    const VS_FIXEDFILEINFO* info = static_cast<const VS_FIXEDFILEINFO*>(value);
    version.major = HIWORD(info->dwFileVersionMS);
    version.minor = LOWORD(info->dwFileVersionMS);
    version.build = HIWORD(info->dwFileVersionLS);
    return true;
}
