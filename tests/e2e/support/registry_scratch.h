#pragma once

#include <windows.h>

#include "uiauto/scoped.h"

#include <string>

namespace e2e {

// HKCU\Software\Halvest\<name>, created empty for one test and removed with
// everything below it afterwards.
class ScratchRegistryKey {
public:
    explicit ScratchRegistryKey(const std::wstring& name);
    ~ScratchRegistryKey();
    ScratchRegistryKey(const ScratchRegistryKey&) = delete;
    ScratchRegistryKey& operator=(const ScratchRegistryKey&) = delete;

    bool Ready() const { return static_cast<bool>(key_); }
    const std::wstring& Path() const { return path_; } // below HKEY_CURRENT_USER

    bool SetString(const std::wstring& valueName, const std::wstring& value);
    bool SetDword(const std::wstring& valueName, DWORD value);

private:
    std::wstring path_;
    uiauto::ScopedRegKey key_;
};

// Removes a key below HKEY_CURRENT_USER with all its subkeys; true when it is gone.
bool DeleteUserKeyTree(const std::wstring& path);
// Reads a string value below HKEY_CURRENT_USER; false when absent or not a string.
bool ReadUserString(const std::wstring& path, const std::wstring& valueName, std::wstring& value);

} // namespace e2e
