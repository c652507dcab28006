#include "packsetup/install_package.h"

#include <process.h>

#include "common/win/message_box.h"
#include "common/win/message_pump.h"
#include "common/win/scoped_handle.h"
#include "common/win/scoped_window.h"
#include "common/win/text.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/free_space.h"
#include "packsetup/install_folder_name.h"
#include "packsetup/install_worker.h"
#include "packsetup/installer_state.h"
#include "packsetup/own_files_in_folder.h"
#include "packsetup/package_paths.h"
#include "packsetup/package_sources.h"
#include "packsetup/program_folder.h"
#include "packsetup/progress_dialog.h"
#include "packsetup/res/resource.h"

namespace {

// Wakes WaitMessage while the worker runs, so that its end is seen even when
// no other message arrives.
const UINT_PTR kWakeTimer = 101;
const UINT kWakeInterval = 100;

// Keeps a window (may be null) disabled for the holder's lifetime.
class DisabledWindow {
public:
    explicit DisabledWindow(HWND window) : window_(window)
    {
        if (window_)
            EnableWindow(window_, FALSE);
    }
    ~DisabledWindow()
    {
        if (window_)
            EnableWindow(window_, TRUE);
    }
    DisabledWindow(const DisabledWindow&) = delete;
    DisabledWindow& operator=(const DisabledWindow&) = delete;

private:
    HWND window_;
};

int Tell(HWND owner, UINT textId, UINT flags)
{
    return ShowMessageBox(owner, LoadText(textId), Installer().definition.caption, flags);
}

// Keeps the dialog alive until the worker has ended; its exit code.
DWORD WaitForWorker(HANDLE thread, HWND dialog)
{
    DWORD exitCode = 0;
    for (;;) {
        if (!GetExitCodeThread(thread, &exitCode)) {
            // The worker uses this thread's stack and dialog until it ends,
            // so an unreadable exit code still waits for the thread itself,
            // and counts as a failure.
            while (MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0 + 1)
                PumpPendingMessages(dialog);
            return 0;
        }
        if (exitCode != STILL_ACTIVE)
            return exitCode;
        PumpPendingMessages(dialog);
        WaitMessage();
    }
}

} // namespace

bool InstallPackage(const std::wstring& installFolder, HWND owner, bool perUser)
{
    std::wstring programFolder;
    // A program path that does not fit leaves the package folder empty, which
    // cannot be listed: the missing-package message follows.
    if (GetProgramFolder(programFolder) && programFolder.back() != L'\\')
        programFolder += L'\\';
    std::wstring packageFolder = programFolder.empty() ? std::wstring() : programFolder + L"image";
    return InstallPackageFrom(packageFolder, installFolder, owner, perUser);
}

bool InstallPackageFrom(const std::wstring& packageFolder, const std::wstring& installFolder, HWND owner,
                        bool perUser)
{
    InstallerState& state = Installer();
    state.cancelRequested.Clear();
    ScopedWindow dialog(CreateProgressDialog(GetResourceModule(), owner));
    if (!dialog)
        return false;
    // Without the timer the end of the worker could go unnoticed.
    if (!SetTimer(dialog.get(), kWakeTimer, kWakeInterval, nullptr))
        return false;
    ShowWindow(dialog.get(), SW_SHOW);
    UpdateWindow(dialog.get());
    // Enabled again before the dialog goes, so that activation returns to
    // the owner rather than to another program's window.
    DisabledWindow disabledOwner(owner);

    ShowPhase(dialog.get(), IDS_PREPARING);
    FolderScanner package;
    // A listing that left out entries, or met a link whose target it does
    // not follow, would install part of the package; one whose entries are
    // not what they seemed when opened without links (a hard link) could
    // copy a file that only administrators may read.
    if (packageFolder.empty() || !package.Scan(packageFolder.c_str(), std::wstring()) || !package.Complete()
        || !CheckPackageSources(package)) {
        Tell(dialog.get(), IDS_SOURCE_NOT_FOUND, MB_ICONERROR);
        return false;
    }

    switch (CheckInstallFolderName(installFolder)) {
    case InstallFolderProblem::InvalidName:
        Tell(dialog.get(), IDS_INVALID_FOLDER_NAME, MB_ICONWARNING);
        return false;
    case InstallFolderProblem::InvalidCharacters:
        Tell(dialog.get(), IDS_INVALID_FOLDER_CHARACTERS, MB_ICONWARNING);
        return false;
    case InstallFolderProblem::None:
        break;
    }
    std::wstring folder(installFolder);
    RemoveOneTrailingBackslash(folder);
    if (PackageReplacesUninstallerFiles(package, folder)) {
        Tell(dialog.get(), IDS_SOURCE_NOT_FOUND, MB_ICONERROR);
        return false;
    }

    if (!HasFreeSpaceFor(installFolder, package.TotalSize())
        && Tell(owner, IDS_LOW_DISK_SPACE_QUESTION, MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2) != IDYES)
        return false;

    ShowPhase(dialog.get(), IDS_COPYING_FILES);
    InstallWorkerParams params;
    params.progressDialog = dialog.get();
    params.ownerWindow = owner;
    params.installFolder = &installFolder;
    params.perUser = perUser;
    params.package = &package;
    ScopedHandle worker(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, InstallWorker, &params, 0, nullptr)));
    if (!worker)
        return false;
    DWORD exitCode = WaitForWorker(worker.get(), dialog.get());
    worker.Reset();
    dialog.Reset();
    return exitCode == 1;
}
