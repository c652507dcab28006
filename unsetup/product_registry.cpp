#include "unsetup/product_registry.h"

#include <shlobj.h>

#include "common/win/registry.h"
#include "common/win/registry_view.h"
#include "unsetup/registry_tree.h"

namespace {

const wchar_t kMakerKey[] = L"Software\\Halvest";
const wchar_t kClassesKey[] = L"Software\\Classes";
const wchar_t* const kAssociationKeys[] = {L".tvd", L".tvdx", L"tvdfile"};

void NotifyShell()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

// Removes the product key, then the maker's key if that left it empty (a
// single delete fails while another product's key is still below it).
void RemoveProductKeys(HKEY hive, const UninstallerSettings& settings)
{
    DeleteRegistryTree(hive, settings.baseRegKey);
    DeleteEmptyRegistryKey(hive, kMakerKey);
}

// The current user's Software\Classes is itself a link that the system
// makes to the user's classes hive, so it is opened as usual; the keys below
// it are removed as themselves, from each view where Windows keeps the two
// apart.
void RemoveAssociations(HKEY hive)
{
    for (REGSAM view : kEveryRegistryView) {
        ScopedRegKey classes;
        if (OpenRegistryKeyInView(hive, kClassesKey, 0, KEY_ENUMERATE_SUB_KEYS, view, classes) != ERROR_SUCCESS)
            continue;
        for (const wchar_t* key : kAssociationKeys)
            DeleteRegistryTree(classes.get(), key, view);
    }
}

} // namespace

RegistryRoots SystemRegistryRoots()
{
    return RegistryRoots{HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, NotifyShell};
}

void RemoveProductRegistry(const RegistryRoots& roots, const UninstallerSettings& settings, bool currentUserMode)
{
    RemoveProductKeys(roots.currentUser, settings);
    if (!currentUserMode) {
        RemoveProductKeys(roots.localMachine, settings);
        DeleteRegistryTree(roots.localMachine, settings.uninstallRegKey);
    }
    if (!settings.testEdition) {
        RemoveAssociations(currentUserMode ? roots.currentUser : roots.localMachine);
        roots.associationsChanged();
    }
}
