#include "unsetup/own_executable.h"

#include "unsetup/program_paths.h"

ScopedHandle HoldOwnExecutable()
{
    std::wstring path;
    if (!GetOwnExecutablePath(path))
        return ScopedHandle();
    return ScopedHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
}
