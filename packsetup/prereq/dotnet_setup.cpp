#include "packsetup/prereq/dotnet_setup.h"

#include <shlwapi.h>

#include <memory>
#include <new>

#include "common/win/foreground_window.h"
#include "common/win/scoped_window.h"
#include "common/win/text.h"
#include "packsetup/prereq/dotnet_dialog.h"
#include "packsetup/prereq/setup_watcher.h"
#include "packsetup/prereq/worker_wait.h"
#include "packsetup/program_folder.h"
#include "packsetup/res/resource.h"
#include "packsetup/start_process.h"

std::wstring DotnetSetupProgramPath(const std::wstring& dotnetFolder)
{
    std::wstring path = dotnetFolder + L"\\dotnetfx3.exe";
    if (PathFileExistsW(path.c_str()))
        return path;
    return dotnetFolder + L"\\dotnetfx3setup.exe";
}

namespace {

const wchar_t kProgressArguments[] = L"/progress TavrelNetFX3SetupWatcher";

// Lives on the waiting thread's stack until the worker has ended.
struct DotnetWorkerBlock {
    std::wstring dotnetFolder;
    DWORD waitMilliseconds;
    HWND owner;
    DotnetProgress progress;
    bool* restartNeeded;
    std::wstring* reason;
};

// Runs on the watcher's thread for each record that the setup sends; the
// reply is always 0.
int WINAPI ProgressCallback(void* context, UINT, MSIHANDLE record)
{
    const MsiRecordFunctions* msi = MsiRecords();
    if (!record || !msi)
        return 0;
    DotnetWorkerBlock* block = static_cast<DotnetWorkerBlock*>(context);
    ShowDotnetProgress(block->progress, msi->RecordGetInteger(record, 1), msi->RecordGetInteger(record, 2),
                       msi->RecordGetInteger(record, 3));
    return 0;
}

// 1 when the setup succeeded, 0 otherwise.
unsigned __stdcall DotnetWorker(void* argument)
{
    DotnetWorkerBlock* block = static_cast<DotnetWorkerBlock*>(argument);
    std::wstring program = DotnetSetupProgramPath(block->dotnetFolder);

    // Without the pipe the setup simply runs without showing progress.
    std::unique_ptr<CSetupWatcher> watcher(new (std::nothrow) CSetupWatcher());
    if (watcher) {
        watcher->Open();
        watcher->StartWithRecordCallback(ProgressCallback, block);
    }

    DWORD exitCode = 0;
    bool started = StartProcess(program, kProgressArguments, &exitCode, true, block->waitMilliseconds);
    watcher.reset();
    if (!started) {
        *block->reason = LoadText(IDS_SOURCE_DAMAGED_11);
        return 0;
    }
    if (block->owner) {
        EnableWindow(block->owner, TRUE);
        ForceForegroundWindow(block->owner);
    }
    switch (exitCode) {
    case ERROR_SUCCESS:
        return 1;
    case ERROR_SUCCESS_REBOOT_REQUIRED:
        *block->restartNeeded = true;
        return 1;
    case ERROR_INSTALL_USEREXIT:
        return 0;
    default:
        *block->reason = LoadText(IDS_DOTNET_ERROR);
        return 0;
    }
}

} // namespace

bool RunDotnetSetup(HWND owner, std::wstring& reason, bool& restartNeeded)
{
    std::wstring programFolder;
    if (!GetProgramFolder(programFolder)) {
        reason = LoadText(IDS_SOURCE_DAMAGED_11);
        return false;
    }
    if (programFolder.back() == L'\\')
        programFolder.pop_back();
    return RunDotnetSetupFrom(programFolder + L"\\dotnet", kDotnetSetupWait, owner, reason, restartNeeded);
}

bool RunDotnetSetupFrom(const std::wstring& dotnetFolder, DWORD waitMilliseconds, HWND owner,
                        std::wstring& reason, bool& restartNeeded)
{
    // Without its dialog the setup still runs, only its progress is not shown.
    ScopedWindow dialog(CreateDotnetDialog(GetResourceModule(), owner));
    if (dialog)
        ShowWithWakeTimer(dialog.get());

    DotnetWorkerBlock block = {dotnetFolder, waitMilliseconds, owner, DotnetProgress(), &restartNeeded, &reason};
    block.progress.dialog = dialog.get();
    ScopedHandle worker = StartWorker(DotnetWorker, &block);
    if (!worker) {
        reason = LoadText(IDS_UNKNOWN_INTERNAL_ERROR);
        return false;
    }
    return WaitForWorker(worker.get(), dialog.get()) == 1;
}
