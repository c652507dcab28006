#pragma once

#include <windows.h>

// Loads a DLL from the system folder by its full path, never by bare name:
// the programs run from folders that other users can write to.
// Returns null when the path does not fit or the DLL cannot be loaded.
HMODULE LoadSystemLibrary(const wchar_t* fileName);

// Owns a module loaded with LoadSystemLibrary and frees it once.
class ScopedModule {
public:
    explicit ScopedModule(HMODULE module = nullptr) : module_(module) {}
    ~ScopedModule() { if (module_) FreeLibrary(module_); }
    ScopedModule(const ScopedModule&) = delete;
    ScopedModule& operator=(const ScopedModule&) = delete;

    HMODULE get() const { return module_; }
    explicit operator bool() const { return module_ != nullptr; }

private:
    HMODULE module_;
};

// Binds an entry point of a loaded module to a typed function pointer.
template <typename Fn>
Fn BindProc(HMODULE module, const char* name)
{
    if (!module)
        return nullptr;
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
