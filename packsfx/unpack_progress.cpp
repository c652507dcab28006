#include "packsfx/unpack_progress.h"

#include <commctrl.h>
#include <process.h>

#include "common/win/scoped_handle.h"
#include "common/win/scoped_window.h"
#include "packsfx/res/resource.h"

namespace {

const int kProgressRange = 1000;

struct UnpackJob {
    const CabinetSource* source;
    const std::wstring* folder;
    uint64_t totalSize;
    HWND bar;
    UnpackResult result;
    DWORD error;
};

INT_PTR CALLBACK UnpackDialogProc(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

unsigned __stdcall UnpackThread(void* argument)
{
    UnpackJob& job = *static_cast<UnpackJob*>(argument);
    int shown = -1;
    UnpackProgress progress = [&job, &shown](uint64_t written) {
        int position = job.totalSize == 0 ? kProgressRange
                                          : static_cast<int>(written * kProgressRange / job.totalSize);
        if (position != shown) {
            shown = position;
            PostMessageW(job.bar, PBM_SETPOS, static_cast<WPARAM>(position), 0);
        }
    };
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
    }
    UnpackJob job = {&source, &folder, totalSize, bar, UnpackResult::Damaged, ERROR_SUCCESS};
    ScopedHandle thread(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, UnpackThread, &job, 0, nullptr)));
    if (!thread) {
        error = GetLastError();
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
            if (!dialog || !IsDialogMessageW(dialog.get(), &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }
    error = job.error;
    return job.result;
}
