#include "packsetup/prereq/directx_dialog.h"

#include <commctrl.h>

#include "common/win/window_placement.h"
#include "packsetup/prereq/phase_bar.h"
#include "packsetup/res/resource.h"

namespace {

INT_PTR CALLBACK DirectXDialogProc(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return FALSE;
    SendDlgItemMessageW(dialog, IDC_PREREQ_PHASE_BAR, PBM_SETMARQUEE, TRUE, kPhaseBarMarqueePeriod);
    CenterWindow(dialog, GetParent(dialog));
    return TRUE;
}

} // namespace

HWND CreateDirectXDialog(HINSTANCE module, HWND owner)
{
    return CreateDialogParamW(module, MAKEINTRESOURCEW(IDD_DIRECTX_PROGRESS), owner, DirectXDialogProc, 0);
}
