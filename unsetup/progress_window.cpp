#include "unsetup/progress_window.h"

#include <commctrl.h>

#include "common/win/window_placement.h"
#include "unsetup/res/resource.h"

namespace {

const UINT kMarqueeStepMs = 100;

} // namespace

INT_PTR CALLBACK ProgressWindowProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETMARQUEE, TRUE, kMarqueeStepMs);
    CenterWindow(dialog, GetParent(dialog));
    return TRUE;
}

ProgressWindow::ProgressWindow(HINSTANCE instance)
    : window_(CreateDialogParamW(instance, MAKEINTRESOURCEW(IDD_PROGRESS), nullptr, ProgressWindowProc, 0))
{
    if (window_) {
        ShowWindow(window_, SW_SHOWNORMAL);
        UpdateWindow(window_);
    }
}

void ProgressWindow::Destroy()
{
    if (window_)
        DestroyWindow(window_);
    window_ = nullptr;
}
