#include "common/win/scoped_dll_folder.h"

#include <windows.h>

namespace {

typedef void*(WINAPI* AddDllDirectoryFn)(const wchar_t*);
typedef BOOL(WINAPI* RemoveDllDirectoryFn)(void*);
typedef BOOL(WINAPI* SetDefaultDllDirectoriesFn)(DWORD);

// Present from Windows 7 with KB2533623 on; bound at run time for XP.
struct UserFolderApi {
    AddDllDirectoryFn add;
    RemoveDllDirectoryFn remove;
    SetDefaultDllDirectoriesFn setDefault;
};

template <typename Fn>
Fn KernelProc(const char* name)
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(kernel, name))) : nullptr;
}

UserFolderApi BindUserFolderApi()
{
    UserFolderApi api = {KernelProc<AddDllDirectoryFn>("AddDllDirectory"),
                         KernelProc<RemoveDllDirectoryFn>("RemoveDllDirectory"),
                         KernelProc<SetDefaultDllDirectoriesFn>("SetDefaultDllDirectories")};
    return api;
}

} // namespace

ScopedDllFolder::ScopedDllFolder(const std::wstring& folder) : mode_(Mode::None), cookie_(nullptr)
{
    UserFolderApi api = BindUserFolderApi();
    if (api.add && api.remove && api.setDefault) {
        cookie_ = api.add(folder.c_str());
        if (!cookie_)
            return;
        if (api.setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32 | LOAD_LIBRARY_SEARCH_USER_DIRS)) {
            mode_ = Mode::UserFolder;
            return;
        }
        api.remove(cookie_);
        cookie_ = nullptr;
        return;
    }
    if (SetDllDirectoryW(folder.c_str()))
        mode_ = Mode::DllDirectory;
}

ScopedDllFolder::~ScopedDllFolder()
{
    if (mode_ == Mode::UserFolder) {
        UserFolderApi api = BindUserFolderApi();
        api.setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
        api.remove(cookie_);
    } else if (mode_ == Mode::DllDirectory) {
        // The empty string keeps the current folder out, as at start-up.
        SetDllDirectoryW(L"");
    }
}
