#include "unsetup/launcher_image.h"

#include "common/win/system_library.h"

namespace {

typedef BOOL(WINAPI* EnumProcessModulesFn)(HANDLE process, HMODULE* modules, DWORD bytes, DWORD* bytesNeeded);
typedef DWORD(WINAPI* GetModuleFileNameExFn)(HANDLE process, HMODULE module, wchar_t* name, DWORD size);

} // namespace

LauncherImageResult GetLauncherExecutablePath(HANDLE process, std::wstring& path)
{
    ScopedModule psapi(LoadSystemLibrary(L"psapi.dll"));
    EnumProcessModulesFn enumProcessModules = BindProc<EnumProcessModulesFn>(psapi.get(), "EnumProcessModules");
    GetModuleFileNameExFn getModuleFileNameEx = BindProc<GetModuleFileNameExFn>(psapi.get(), "GetModuleFileNameExW");

    // The first module of a process is its executable; room for that one only.
    HMODULE module = nullptr;
    DWORD needed = 0;
    if (!enumProcessModules || !enumProcessModules(process, &module, sizeof(module), &needed) || !module)
        return LauncherImageResult::ModulesUnreadable;

    // One character more than MAX_PATH tells a cut name from one that fits.
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = getModuleFileNameEx ? getModuleFileNameEx(process, module, buffer, MAX_PATH + 1) : 0;
    if (length == 0 || length >= MAX_PATH)
        return LauncherImageResult::PathUnreadable;
    path.assign(buffer, length);
    return LauncherImageResult::Found;
}
