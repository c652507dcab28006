#include "unsetup/registry_tree.h"

#include "common/win/ntdll_library.h"
#include "common/win/registry.h"
#include "common/win/registry_view.h"

namespace {

// Far deeper than any key of the product; a deeper subkey stays, and so do
// the keys above it.
const int kMaxDepth = 32;

// A key opened as itself (REG_OPTION_OPEN_LINK) is a symbolic link when it
// holds its target in this value.
bool IsLinkKey(HKEY key)
{
    DWORD type = REG_NONE;
    return RegQueryValueExW(key, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr) == ERROR_SUCCESS
        && type == REG_LINK;
}

// Opens parent\path as the key itself: a link there is not followed.
// REG_OPTION_OPEN_LINK covers only the last name of a path, so a link at a
// level above it (the maker's key made a link to another product's keys)
// would still lead elsewhere: each level is opened by itself, as itself, and
// a link on the way ends the walk.
bool OpenKeyItself(HKEY parent, const std::wstring& path, REGSAM rights, REGSAM view, ScopedRegKey& key)
{
    size_t separator = path.find(L'\\');
    if (separator == std::wstring::npos)
        return !path.empty()
            && OpenRegistryKeyInView(parent, path, REG_OPTION_OPEN_LINK, rights | KEY_QUERY_VALUE | DELETE, view, key)
            == ERROR_SUCCESS;
    ScopedRegKey level;
    return separator > 0
        && OpenRegistryKeyInView(parent, path.substr(0, separator), REG_OPTION_OPEN_LINK, KEY_QUERY_VALUE, view,
                                 level)
        == ERROR_SUCCESS
        && !IsLinkKey(level.get()) && OpenKeyItself(level.get(), path.substr(separator + 1), rights, view, key);
}

// Through the handle that was checked: RegDeleteKeyW would open the path
// once more and follow a link to delete its target.
bool DeleteKeyItself(HKEY key)
{
    const NtdllApi& nt = Ntdll();
    return nt.deleteKey && NT_SUCCESS(nt.deleteKey(key));
}

bool DeleteTree(HKEY parent, const std::wstring& path, REGSAM view, int depth)
{
    ScopedRegKey key;
    if (!OpenKeyItself(parent, path, KEY_ENUMERATE_SUB_KEYS | KEY_SET_VALUE, view, key))
        return false;
    if (!IsLinkKey(key.get()) && depth < kMaxDepth) {
        // A deleted subkey moves the next one to its index; one that stays is
        // stepped over instead of being tried again without end.
        DWORD index = 0;
        for (;;) {
            wchar_t name[MAX_PATH];
            DWORD length = MAX_PATH;
            if (RegEnumKeyExW(key.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
                break;
            if (!DeleteTree(key.get(), std::wstring(name, length), view, depth + 1))
                ++index;
        }
    }
    return DeleteKeyItself(key.get());
}

} // namespace

bool DeleteRegistryTree(HKEY parent, const std::wstring& path, REGSAM view)
{
    return DeleteTree(parent, path, view, 0);
}

bool DeleteEmptyRegistryKey(HKEY parent, const std::wstring& path)
{
    ScopedRegKey key;
    return OpenKeyItself(parent, path, 0, kProductRegistryView, key) && DeleteKeyItself(key.get());
}
