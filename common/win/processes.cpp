#include "common/win/processes.h"

#include "common/win/psapi_library.h"
#include "common/win/scoped_handle.h"

namespace {

// More ids than any real machine runs; the list stops growing there.
const std::size_t kMaxProcessIds = 1 << 20;

bool EnumerateWith(const PsapiLibrary& psapi, std::vector<DWORD>& ids, std::size_t initialCapacity)
{
    std::size_t capacity = initialCapacity > 0 ? initialCapacity : 1;
    for (;;) {
        ids.assign(capacity, 0);
        DWORD bytesReturned = 0;
        if (!psapi.enumProcesses(ids.data(), static_cast<DWORD>(capacity * sizeof(DWORD)),
                                 &bytesReturned))
            return false;
        std::size_t count = bytesReturned / sizeof(DWORD);
        // A full array may have cut the list short.
        if (count < capacity || capacity >= kMaxProcessIds) {
            ids.resize(count);
            return true;
        }
        capacity *= 2;
    }
}

bool HasMainModuleName(const PsapiLibrary& psapi, HANDLE process, const wchar_t* moduleName)
{
    HMODULE modules[100];
    DWORD bytesNeeded = 0;
    if (!psapi.enumProcessModules(process, modules, sizeof(modules), &bytesNeeded)
        || bytesNeeded < sizeof(HMODULE))
        return false;
    wchar_t baseName[MAX_PATH];
    DWORD length = psapi.getModuleBaseName(process, modules[0], baseName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    // The invariant locale compares "I" and "i" as equal whatever the user's
    // language is.
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, baseName, static_cast<int>(length),
                          moduleName, -1)
        == CSTR_EQUAL;
}

} // namespace

bool EnumerateProcessIds(std::vector<DWORD>& ids, std::size_t initialCapacity)
{
    PsapiLibrary psapi;
    if (!psapi.IsLoaded())
        return false;
    return EnumerateWith(psapi, ids, initialCapacity);
}

bool FindProcessByModuleName(const wchar_t* moduleName, bool terminate)
{
    PsapiLibrary psapi;
    if (!psapi.IsLoaded())
        return false;
    std::vector<DWORD> ids;
    if (!EnumerateWith(psapi, ids, 1024))
        return false;

    for (DWORD id : ids) {
        ScopedHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, id));
        if (!process)
            continue;
        if (!HasMainModuleName(psapi, process.get(), moduleName))
            continue;
        if (terminate)
            TerminateProcess(process.get(), 0);
        return true;
    }
    return false;
}

bool FindMainProgramProcess(bool terminate)
{
    return FindProcessByModuleName(L"tavrel.exe", terminate);
}
