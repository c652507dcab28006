#include "packsetup/install_worker.h"

#include <commctrl.h>

#include "common/win/com_apartment.h"
#include "packsetup/copy_package.h"
#include "packsetup/installer_state.h"
#include "packsetup/obsolete_components.h"
#include "packsetup/package_paths.h"
#include "packsetup/package_record.h"
#include "packsetup/progress_dialog.h"
#include "packsetup/res/resource.h"
#include "packsetup/taskbar_progress.h"
#include "packsetup/uninstall_manifest.h"
#include "packsetup/unpack_folder.h"

namespace {

DWORD finalPhaseMinimum = 2000;

// Clears the taskbar progress however the worker ends.
class TaskbarProgressReset {
public:
    TaskbarProgressReset(ITaskbarList3* list, HWND window) : list_(list), window_(window) {}
    ~TaskbarProgressReset() { SetTaskbarState(list_, window_, TBPF_NOPROGRESS); }
    TaskbarProgressReset(const TaskbarProgressReset&) = delete;
    TaskbarProgressReset& operator=(const TaskbarProgressReset&) = delete;

private:
    ITaskbarList3* list_;
    HWND window_;
};

} // namespace

void SetFinalPhaseMinimumForTesting(DWORD milliseconds)
{
    finalPhaseMinimum = milliseconds;
}

unsigned __stdcall InstallWorker(void* argument)
{
    const InstallWorkerParams& params = *static_cast<const InstallWorkerParams*>(argument);
    const PackageDefinition& definition = Installer().definition;

    // The copy yields to whatever the user does meanwhile.
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
    HWND taskbarWindow = params.ownerWindow ? params.ownerWindow : params.progressDialog;
    // Declared in this order so that the taskbar object goes before COM.
    ScopedComApartment com;
    ScopedTaskbarList taskbar = CreateTaskbarList();
    TaskbarProgressReset resetTaskbar(taskbar.get(), taskbarWindow);

    std::wstring folder(*params.installFolder);
    RemoveOneTrailingBackslash(folder);

    RemoveObsoleteComponents(folder, definition.removeFiles, definition.removeDirectories);

    if (!CopyPackageEntries(*params.package, folder, params.progressDialog, taskbarWindow, taskbar.get()))
        return 0;

    SetTaskbarValue(taskbar.get(), taskbarWindow, 1000, 1000);
    SendDlgItemMessageW(params.progressDialog, IDC_PROGRESS_BAR, PBM_SETPOS, 1000, 0);
    SetDlgItemTextW(params.progressDialog, IDC_PROGRESS_FILE, L"");
    ShowPhase(params.progressDialog, IDS_REGISTERING);
    DWORD finalPhaseStart = GetTickCount();

    UpdateUninstallManifest(folder + L"\\");
    ShowPhase(params.progressDialog, IDS_DELETING_OBSOLETE_FILES);
    RemoveUnpackFolder(taskbarWindow);
    WritePackageRecord(params.perUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE, definition.productRegistryKey,
                       definition.packageId, definition.packageTitle);

    // Wraps correctly across the 49.7-day roll-over of the tick count.
    DWORD elapsed = GetTickCount() - finalPhaseStart;
    if (elapsed < finalPhaseMinimum)
        Sleep(finalPhaseMinimum - elapsed);
    return 1;
}
