#include "common/win/ntdll_library.h"

#include "common/win/system_library.h"

namespace {

NtdllApi Bind(HMODULE ntdll)
{
    NtdllApi api = {};
    api.createFile = BindProc<decltype(api.createFile)>(ntdll, "NtCreateFile");
    api.queryInformationFile = BindProc<decltype(api.queryInformationFile)>(ntdll, "NtQueryInformationFile");
    api.setInformationFile = BindProc<decltype(api.setInformationFile)>(ntdll, "NtSetInformationFile");
    api.queryDirectoryFile = BindProc<decltype(api.queryDirectoryFile)>(ntdll, "NtQueryDirectoryFile");
    api.deleteKey = BindProc<decltype(api.deleteKey)>(ntdll, "NtDeleteKey");
    api.queryInformationProcess =
        BindProc<decltype(api.queryInformationProcess)>(ntdll, "NtQueryInformationProcess");
    api.statusToWin32Error = BindProc<decltype(api.statusToWin32Error)>(ntdll, "RtlNtStatusToDosError");
    return api;
}

} // namespace

const NtdllApi& Ntdll()
{
    // ntdll is in every process and never unloaded; the reference taken here
    // lives as long as the bound pointers.
    static ScopedModule ntdll(LoadSystemLibrary(L"ntdll.dll"));
    static const NtdllApi api = Bind(ntdll.get());
    return api;
}
