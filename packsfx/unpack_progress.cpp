#include "packsfx/unpack_progress.h"

#include <commctrl.h>
#include <process.h>

#include <atomic>

#include "common/win/scoped_handle.h"
#include "common/win/scoped_window.h"
#include "packsfx/res/resource.h"

namespace {

const int kProgressRange = 1000;
// The bar follows the bytes written every 100 ms: a message per step would
// cost the unpacking a good part of its time under load.
const UINT_PTR kProgressTimer = 1;
const UINT kProgressIntervalMs = 100;

struct UnpackJob {
    const CabinetSource* source;
    const std::wstring* folder;
    std::atomic<uint64_t> written{0};
    UnpackResult result = UnpackResult::Damaged;
    DWORD error = ERROR_SUCCESS;
};

void ShowProgress(HWND bar, const UnpackJob& job, uint64_t totalSize)
{
    uint64_t written = job.written.load(std::memory_order_relaxed);
    int position = totalSize == 0 ? kProgressRange : static_cast<int>(written * kProgressRange / totalSize);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

INT_PTR CALLBACK UnpackDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

unsigned __stdcall UnpackThread(void* argument)
{
    UnpackJob& job = *static_cast<UnpackJob*>(argument);
    UnpackProgress progress = [&job](uint64_t written) { job.written.store(written, std::memory_order_relaxed); };
    job.result = UnpackCabinet(*job.source, *job.folder, progress, job.error);
    return 0;
}

} // namespace

UnpackResult UnpackWithProgress(const CabinetSource& source, const std::wstring& folder, uint64_t totalSize,
                                const std::wstring& caption, DWORD& error)
{
    ScopedWindow dialog(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_UNPACK_PROGRESS), nullptr,
                                           UnpackDialogProc, 0));
    HWND bar = dialog ? GetDlgItem(dialog.get(), IDC_UNPACK_BAR) : nullptr;
    if (dialog) {
        SetWindowTextW(dialog.get(), caption.c_str());
        SendMessageW(bar, PBM_SETRANGE32, 0, kProgressRange);
        ShowWindow(dialog.get(), SW_SHOW);
        UpdateWindow(dialog.get());
        SetTimer(dialog.get(), kProgressTimer, kProgressIntervalMs, nullptr);
    }
    UnpackJob job;
    job.source = &source;
    job.folder = &folder;
    ScopedHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, UnpackThread, &job, 0, nullptr)));
    if (!thread) {
        // _beginthreadex reports through errno; a failure leaves no error code
        // behind only when memory ran out.
        error = GetLastError();
        if (error == ERROR_SUCCESS)
            error = ERROR_NOT_ENOUGH_MEMORY;
        return UnpackResult::WriteFailed;
    }
    for (;;) {
        HANDLE handle = thread.get();
        DWORD wait = MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 + 1) {
            // The job lives on this stack: the thread must be over before it goes.
            WaitForSingleObject(handle, INFINITE);
            break;
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_TIMER && message.hwnd == dialog.get() && message.wParam == kProgressTimer) {
                ShowProgress(bar, job, totalSize);
                continue;
            }
            if (!dialog || !IsDialogMessageW(dialog.get(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    error = job.error;
    return job.result;
}
