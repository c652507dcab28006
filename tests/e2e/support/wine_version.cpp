#include "support/wine_version.h"

#include "uiauto/scoped.h"

#include <windows.h>

namespace e2e {

WineWindowsVersion::WineWindowsVersion(const std::wstring& exeName, const std::wstring& version)
    : keyPath_(L"Software\\Wine\\AppDefaults\\" + exeName)
{
    uiauto::ScopedRegKey key;
    DWORD disposition = 0;
    if (exeName.empty() || RegCreateKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, key.Receive(), &disposition) != ERROR_SUCCESS)
        return;
    createdKey_ = disposition == REG_CREATED_NEW_KEY;
    applied_ = RegSetValueExW(key.Get(), L"Version", 0, REG_SZ, reinterpret_cast<const BYTE*>(version.c_str()),
                              static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

WineWindowsVersion::~WineWindowsVersion()
{
    {
        uiauto::ScopedRegKey key;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, keyPath_.c_str(), 0, KEY_SET_VALUE, key.Receive()) == ERROR_SUCCESS)
            RegDeleteValueW(key.Get(), L"Version");
    }
    // Fails, as it should, when the key has gained subkeys meanwhile.
    if (createdKey_)
        RegDeleteKeyW(HKEY_CURRENT_USER, keyPath_.c_str());
}

} // namespace e2e
