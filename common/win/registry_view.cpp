#include "common/win/registry_view.h"

LONG OpenRegistryKeyInView(HKEY root, const std::wstring& path, DWORD options, REGSAM rights, REGSAM view,
                           ScopedRegKey& key)
{
    return RegOpenKeyExW(root, path.c_str(), options, rights | view, key.Receive());
}

LONG OpenProductKey(HKEY root, const std::wstring& path, REGSAM rights, ScopedRegKey& key)
{
    return OpenRegistryKeyInView(root, path, 0, rights, kProductRegistryView, key);
}

LONG CreateProductKey(HKEY root, const std::wstring& path, REGSAM rights, ScopedRegKey& key)
{
    return RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, rights | kProductRegistryView,
                           nullptr, key.Receive(), nullptr);
}
