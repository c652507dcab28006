#include "common/win/psapi_library.h"

PsapiLibrary::PsapiLibrary()
    : enumProcesses(nullptr), enumProcessModules(nullptr), getModuleBaseName(nullptr),
      getProcessImageFileName(nullptr), module_(LoadSystemLibrary(L"psapi.dll"))
{
    enumProcesses = BindProc<EnumProcessesFn>(module_.get(), "EnumProcesses");
    enumProcessModules = BindProc<EnumProcessModulesFn>(module_.get(), "EnumProcessModules");
    getModuleBaseName = BindProc<GetModuleBaseNameFn>(module_.get(), "GetModuleBaseNameW");
    getProcessImageFileName = BindProc<GetProcessImageFileNameFn>(module_.get(), "GetProcessImageFileNameW");
}

bool PsapiLibrary::IsLoaded() const
{
    return enumProcesses && enumProcessModules && getModuleBaseName;
}
