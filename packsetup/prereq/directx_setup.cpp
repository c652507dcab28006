#include "packsetup/prereq/directx_setup.h"

#include "common/win/foreground_window.h"
#include "common/win/scoped_dll_folder.h"
#include "common/win/scoped_window.h"
#include "common/win/system_library.h"
#include "common/win/text.h"
#include "packsetup/prereq/directx_dialog.h"
#include "packsetup/prereq/worker_wait.h"
#include "packsetup/program_folder.h"
#include "packsetup/res/resource.h"

namespace {

typedef int(WINAPI* DirectXSetupShowEulaFunction)(HWND owner);
typedef int(WINAPI* DirectXSetupFunction)(HWND owner, const wchar_t* sourceFolder, DWORD flags);

const int kSetupSucceeded = 0;
const int kSetupSucceededRestart = 1;

// Lives on the waiting thread's stack until the worker has ended.
struct DirectXWorkerBlock {
    HWND owner;
    const wchar_t* sourceFolder;
    int result;
    DirectXSetupFunction setup;
};

unsigned __stdcall DirectXWorker(void* argument)
{
    DirectXWorkerBlock* block = static_cast<DirectXWorkerBlock*>(argument);
    block->result = block->setup(block->owner, block->sourceFolder, kDirectXSetupFlags);
    return 0;
}

} // namespace

UINT DirectXReasonId(int code)
{
    switch (code) {
    case -1: return IDS_DX_WINDOWS_NOT_SUPPORTED_21;
    case -2: return IDS_SOURCE_DAMAGED_11;
    case -5: return IDS_SOURCE_DAMAGED_12;
    case -6: return IDS_DX_NOT_ENOUGH_DISK_SPACE;
    case -7: return IDS_SOURCE_DAMAGED_13;
    case -8: return IDS_DX_WORK_FOLDER_FAILED;
    case -9: return IDS_UNKNOWN_INTERNAL_ERROR;
    case -11: return IDS_DX_WINDOWS_NOT_SUPPORTED_22;
    case -15: return IDS_DX_ADMIN_REQUIRED;
    case -16: return IDS_DX_CPU_NOT_SUPPORTED;
    case -19: return IDS_SOURCE_DAMAGED_14;
    case -20: return IDS_SOURCE_DAMAGED_15;
    case -21: return IDS_SOURCE_DAMAGED_16;
    default: return 0;
    }
}

bool RunDirectXSetup(HWND owner, std::wstring& reason, bool& restartNeeded)
{
    std::wstring programFolder;
    if (!GetProgramFolder(programFolder)) {
        reason = LoadText(IDS_DX_API_UNAVAILABLE);
        return false;
    }
    if (programFolder.back() == L'\\')
        programFolder.pop_back();
    return RunDirectXSetupFrom(programFolder + L"\\directx", owner, reason, restartNeeded);
}

bool RunDirectXSetupFrom(const std::wstring& sourceFolder, HWND owner, std::wstring& reason, bool& restartNeeded)
{
    // The library loads its helpers by name from its own folder, when loaded
    // and when called; that folder is searched only until it is freed.
    ScopedDllFolder helperFolder(sourceFolder);
    // By full path: the library comes with the package, not from the system.
    ScopedModule library(LoadLibraryW((sourceFolder + L"\\" + kDirectXSetupLibrary).c_str()));
    DirectXSetupShowEulaFunction showEula =
        BindProc<DirectXSetupShowEulaFunction>(library.get(), kDirectXShowEulaEntry);
    DirectXSetupFunction setup = BindProc<DirectXSetupFunction>(library.get(), kDirectXSetupEntry);
    if (!showEula || !setup) {
        reason = LoadText(IDS_DX_API_UNAVAILABLE);
        return false;
    }
    if (showEula(owner) != IDYES) {
        reason = LoadText(IDS_DX_LICENSE_NOT_ACCEPTED);
        return false;
    }

    ScopedWindow dialog(CreateDirectXDialog(GetResourceModule(), owner));
    if (dialog)
        ShowWithWakeTimer(dialog.get());
    DirectXWorkerBlock block = {owner, sourceFolder.c_str(), 0, setup};
    ScopedHandle worker = StartWorker(DirectXWorker, &block);
    if (!worker) {
        reason = LoadText(IDS_UNKNOWN_INTERNAL_ERROR);
        return false;
    }
    WaitForWorker(worker.get(), dialog.get());
    worker.Reset();
    dialog.Reset();

    UINT reasonId = DirectXReasonId(block.result);
    if (reasonId != 0)
        reason = LoadText(reasonId);
    restartNeeded = block.result == kSetupSucceededRestart;
    if (owner)
        ForceForegroundWindow(owner);
    return block.result == kSetupSucceeded || block.result == kSetupSucceededRestart;
}
