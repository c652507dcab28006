#include "unsetup/registry_tree.h"

#include "common/win/registry.h"

bool DeleteRegistryTree(HKEY parent, const std::wstring& path)
{
    {
        ScopedRegKey key;
        if (RegOpenKeyExW(parent, path.c_str(), 0, KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE, key.Receive())
            != ERROR_SUCCESS)
            return false;
        // A deleted subkey moves the next one to its index; one that stays is
        // stepped over instead of being tried again without end.
        DWORD index = 0;
        for (;;) {
            wchar_t name[MAX_PATH];
            DWORD length = MAX_PATH;
            if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteRegistryTree(key.get(), std::wstring(name, length)))
                ++index;
        }
    }
    return RegDeleteKeyW(parent, path.c_str()) == ERROR_SUCCESS;
}
