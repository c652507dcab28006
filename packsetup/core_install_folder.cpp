#include "packsetup/core_install_folder.h"

#include "packsetup/install_path.h"

bool ConfirmCoreInstallFolder(const std::wstring& productKey, const std::wstring& givenFolder,
                              std::wstring& registeredFolder)
{
    return RegistryNamesFolder(HKEY_LOCAL_MACHINE, productKey, givenFolder, registeredFolder);
}
