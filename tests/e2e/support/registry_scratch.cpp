#include "support/registry_scratch.h"

#include <shlwapi.h>

#include <vector>

namespace e2e {

bool DeleteUserKeyTree(const std::wstring& path)
{
    DWORD result = SHDeleteKeyW(HKEY_CURRENT_USER, path.c_str());
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}

bool ReadUserString(const std::wstring& path, const std::wstring& valueName, std::wstring& value)
{
    uiauto::ScopedRegKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, key.Receive()) != ERROR_SUCCESS)
        return false;
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1, L'\0');
    if (RegQueryValueExW(key.Get(), valueName.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()),
                         &size) != ERROR_SUCCESS)
        return false;
    value.assign(buffer.data()); // the stored value may or may not end with a terminator
    return true;
}

ScratchRegistryKey::ScratchRegistryKey(const std::wstring& name) : path_(L"Software\\Halvest\\" + name)
{
    if (name.empty() || !DeleteUserKeyTree(path_))
        return;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE | KEY_QUERY_VALUE, nullptr, key_.Receive(), nullptr) != ERROR_SUCCESS)
        key_.Reset();
}

ScratchRegistryKey::~ScratchRegistryKey()
{
    key_.Reset();
    DeleteUserKeyTree(path_);
}

bool ScratchRegistryKey::SetString(const std::wstring& valueName, const std::wstring& value)
{
    return key_ && RegSetValueExW(key_.Get(), valueName.c_str(), 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(value.c_str()),
                                  static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool ScratchRegistryKey::SetDword(const std::wstring& valueName, DWORD value)
{
    return key_ && RegSetValueExW(key_.Get(), valueName.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                                  sizeof(value)) == ERROR_SUCCESS;
}

} // namespace e2e
