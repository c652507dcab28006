#include "common/win/processes.h"

#include <string>

#include "common/win/file_names.h"
#include "common/win/scoped_handle.h"

namespace {

// More ids than any real machine runs; the list stops growing there.
const std::size_t kMaxProcessIds = 1 << 20;

// The longest path that Windows gives a process's image, in characters.
const DWORD kMaxImagePath = 32768;

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

// The base name of the main module, from the process's module list.
bool ReadMainModuleName(const ProcessNameCalls& calls, HANDLE process, std::wstring& name)
{
    HMODULE modules[100];
    DWORD bytesNeeded = 0;
    if (!calls.enumProcessModules(process, modules, sizeof(modules), &bytesNeeded)
        || bytesNeeded < sizeof(HMODULE))
        return false;
    wchar_t baseName[MAX_PATH];
    DWORD length = calls.getModuleBaseName(process, modules[0], baseName, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    name.assign(baseName, length);
    return true;
}

// The file name at the end of the process's image path: a Win32 path from
// QueryFullProcessImageNameW, a device path from GetProcessImageFileNameW.
bool ReadImageFileName(const ProcessNameCalls& calls, HANDLE process, std::wstring& name)
{
    std::vector<wchar_t> path(kMaxImagePath);
    DWORD length = 0;
    if (calls.queryFullProcessImageName) {
        DWORD size = kMaxImagePath;
        if (calls.queryFullProcessImageName(process, 0, path.data(), &size))
            length = size;
    } else if (calls.getProcessImageFileName) {
        length = calls.getProcessImageFileName(process, path.data(), kMaxImagePath);
    }
    if (length == 0 || length >= kMaxImagePath)
        return false;
    std::wstring image(path.data(), length);
    name = image.substr(image.find_last_of(L'\\') + 1);
    return !name.empty();
}

bool HasMainModuleName(const ProcessNameCalls& calls, HANDLE process, const wchar_t* moduleName)
{
    std::wstring name;
    if (!ReadMainModuleName(calls, process, name) && !ReadImageFileName(calls, process, name))
        return false;
    return SameFileName(name, moduleName);
}

} // namespace

bool EnumerateProcessIds(std::vector<DWORD>& ids, std::size_t initialCapacity)
{
    PsapiLibrary psapi;
    if (!psapi.IsLoaded())
        return false;
    return EnumerateWith(psapi, ids, initialCapacity);
}

ProcessNameCalls SystemProcessNameCalls(const PsapiLibrary& psapi)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    ProcessNameCalls calls;
    calls.enumProcessModules = psapi.enumProcessModules;
    calls.getModuleBaseName = psapi.getModuleBaseName;
    calls.queryFullProcessImageName =
        BindProc<ProcessNameCalls::QueryFullProcessImageNameFn>(kernel, "QueryFullProcessImageNameW");
    calls.getProcessImageFileName = psapi.getProcessImageFileName;
    return calls;
}

bool FindProcessByModuleName(const wchar_t* moduleName, bool terminate)
{
    PsapiLibrary psapi;
    if (!psapi.IsLoaded())
        return false;
    return FindProcessByModuleName(SystemProcessNameCalls(psapi), moduleName, terminate);
}

bool FindProcessByModuleName(const ProcessNameCalls& calls, const wchar_t* moduleName, bool terminate)
{
    std::vector<DWORD> ids;
    if (!EnumerateProcessIds(ids))
        return false;

    for (DWORD id : ids) {
        ScopedHandle process(
            OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE, id));
        if (!process)
            continue;
        if (!HasMainModuleName(calls, process.get(), moduleName))
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
