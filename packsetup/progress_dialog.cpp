#include "packsetup/progress_dialog.h"

#include "common/win/text.h"
#include "common/win/window_placement.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        SetWindowTextW(dialog, Installer().definition.caption.c_str());
        CenterWindow(dialog, GetParent(dialog));
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) {
            Installer().cancelRequested.Set();
            EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

HWND CreateProgressDialog(HINSTANCE module, HWND owner)
{
    return CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_PROGRESS), owner, ProgressDialogProc, 0);
}

void ShowPhase(HWND dialog, UINT textId)
{
    SetDlgItemTextW(dialog, IDC_PROGRESS_PHASE, LoadText(textId).c_str());
}
