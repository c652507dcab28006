#include "unsetup/product_registry.h"

#include <shlobj.h>

#include "unsetup/registry_tree.h"

namespace {

const wchar_t kMakerKey[] = L"Software\\Halvest";
const wchar_t* const kAssociationKeys[] = {L"Software\\Classes\\.tvd", L"Software\\Classes\\.tvdx",
                                           L"Software\\Classes\\tvdfile"};

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
        HKEY hive = currentUserMode ? roots.currentUser : roots.localMachine;
        for (const wchar_t* key : kAssociationKeys) {
            for (REGSAM view : kEveryRegistryView)
                DeleteRegistryTree(hive, key, view);
        }
        roots.associationsChanged();
    }
}
