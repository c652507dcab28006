#include "unsetup/launcher_binding.h"

#include <winternl.h>

#include "common/win/ntdll_library.h"

namespace {

bool ReadProcessIds(HANDLE process, PROCESS_BASIC_INFORMATION& information)
{
    const NtdllApi& nt = Ntdll();
    return nt.queryInformationProcess
        && NT_SUCCESS(nt.queryInformationProcess(process, ProcessBasicInformation, &information,
                                                 sizeof(information), nullptr));
}

bool ReadCreationTime(HANDLE process, FILETIME& created)
{
    FILETIME exited;
    FILETIME kernel;
    FILETIME user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) != FALSE;
}

} // namespace

ScopedHandle InheritableOwnProcess()
{
    HANDLE own = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &own,
                         kLauncherProcessRights, TRUE, 0))
        return ScopedHandle();
    return ScopedHandle(own);
}

ScopedHandle TakeLauncherProcess(DWORD launcherProcessId, DWORD handleValue)
{
    // Pseudo handles (the own process, the own thread) are negative numbers,
    // and no handle value that a launcher passes is.
    if (handleValue == 0 || handleValue > 0x7FFFFFFF)
        return ScopedHandle();
    HANDLE launcher = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(handleValue));

    PROCESS_BASIC_INFORMATION launcherIds = {};
    PROCESS_BASIC_INFORMATION ownIds = {};
    if (!ReadProcessIds(launcher, launcherIds) || !ReadProcessIds(GetCurrentProcess(), ownIds)
        || launcherIds.UniqueProcessId != launcherProcessId
        || ownIds.InheritedFromUniqueProcessId != launcherProcessId)
        return ScopedHandle();
    // A parent that ended and whose id went to a younger process is not ours.
    FILETIME launcherCreated;
    FILETIME ownCreated;
    if (!ReadCreationTime(launcher, launcherCreated) || !ReadCreationTime(GetCurrentProcess(), ownCreated)
        || CompareFileTime(&launcherCreated, &ownCreated) > 0)
        return ScopedHandle();
    if (!SetHandleInformation(launcher, HANDLE_FLAG_INHERIT, 0))
        return ScopedHandle();
    return ScopedHandle(launcher);
}
