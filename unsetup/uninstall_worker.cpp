#include "unsetup/uninstall_worker.h"

#include <objbase.h>
#include <shlobj.h>

#include <new>

#include "common/win/shell_folders.h"
#include "common/win/text.h"
#include "common/xml/atl_compat.h"
#include "packsetup/file_removal.h"
#include "packsetup/install_path.h"
#include "packsetup/open_without_links.h"
#include "unsetup/app_data_items.h"
#include "unsetup/manifest_items.h"
#include "unsetup/manifest_trust.h"
#include "unsetup/product_registry.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"
#include "unsetup/uninstaller_settings.h"
#include "unsetup/user_data_items.h"
#include "unsetup/work_lists.h"

namespace {

const DWORD kLauncherExitTimeoutMs = 10000;
const DWORD kPauseBeforeLauncherDeletionMs = 2000;

// The machine's keys and associations go for an installation for all users.
// A manifest that the user may have written can claim one; then the
// machine's own record, which only administrators can change, must name this
// folder as well.
bool IsCurrentUserRemoval(UninstallerSettings& settings, const std::wstring& installationFolder)
{
    if (IsCurrentUserMode(settings.manifest))
        return true;
    std::wstring registered;
    return !settings.manifestTrusted
        && !RegistryNamesFolder(HKEY_LOCAL_MACHINE, settings.baseRegKey, installationFolder, registered);
}

void RunUninstall(const UninstallWorkerParams& params, UninstallerSettings& settings)
{
    const std::wstring installationFolder = FolderOfPath(params.launcherExecutable);
    bool currentUserMode = IsCurrentUserRemoval(settings, installationFolder);

    UninstallWorkLists lists;
    std::wstring roaming;
    if (GetShellFolderPath(CSIDL_APPDATA, params.progressWindow, roaming)) {
        AddRoamingDataItems(lists, roaming, settings.appDataPath, LoadText(IDS_ADD_NEW_FOLDER_NAME));
        if (settings.deleteUserData)
            AddUserDataItems(lists, roaming, settings.appDataPath);
    }
    std::wstring local;
    if (GetShellFolderPath(CSIDL_LOCAL_APPDATA, params.progressWindow, local))
        AddLocalDataItems(lists, local, settings.appDataPath);
    AddManifestItems(lists, settings.manifest);

    FolderBounds manifestBounds;
    const FolderBounds* bounds = nullptr;
    if (!settings.manifestTrusted) {
        std::wstring profile;
        GetShellFolderPath(CSIDL_PROFILE, params.progressWindow, profile);
        BoundUntrustedManifest(manifestBounds, installationFolder, profile);
        bounds = &manifestBounds;
    }

    DeleteListedFiles(lists, bounds);
    RemoveProductRegistry(SystemRegistryRoots(), settings, currentUserMode);

    SetEvent(params.launcherEvent);
    WaitForSingleObject(params.launcherProcess, kLauncherExitTimeoutMs);
    Sleep(kPauseBeforeLauncherDeletionMs);
    DeleteFileOnce(params.launcherExecutable);

    RemoveListedFolders(lists, bounds);
}

} // namespace

DWORD WINAPI UninstallWorker(void* argument)
{
    const UninstallWorkerParams& params = *static_cast<UninstallWorkerParams*>(argument);
    CoInitialize(nullptr);
    *params.result = false;
    // Only an allocation failure throws; the run then counts as failed.
    try {
        RunUninstall(params, Uninstaller());
        *params.result = true;
    } catch (const ATL::CAtlException&) {
    } catch (const std::bad_alloc&) {
    }
    CoUninitialize();
    return 0;
}
