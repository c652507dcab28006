#include "unsetup/own_executable.h"

#include <vector>

#include "unsetup/program_paths.h"

namespace {

const DWORD kCopyChunkBytes = 64 * 1024;

bool WriteAll(HANDLE target, const char* bytes, DWORD count)
{
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(target, bytes, count, &written, nullptr) || written == 0)
            return false;
        bytes += written;
        count -= written;
    }
    return true;
}

} // namespace

ScopedHandle HoldOwnExecutable()
{
    std::wstring path;
    if (!GetOwnExecutablePath(path))
        return ScopedHandle();
    return ScopedHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool CopyHeldFile(HANDLE source, const std::wstring& target)
{
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(source, start, nullptr, FILE_BEGIN))
        return false;
    ScopedHandle copy(
        CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!copy)
        return false;
    std::vector<char> buffer(kCopyChunkBytes);
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), kCopyChunkBytes, &read, nullptr))
            return false;
        if (read == 0)
            return true;
        if (!WriteAll(copy.get(), buffer.data(), read))
            return false;
    }
}
