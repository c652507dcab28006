#include "unsetup/confirm_dialog.h"

#include "common/win/window_placement.h"
#include "unsetup/res/resource.h"

namespace {

UninstallerSettings* SettingsOf(HWND dialog)
{
    return reinterpret_cast<UninstallerSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

} // namespace

INT_PTR CALLBACK ConfirmDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        UninstallerSettings* settings = reinterpret_cast<UninstallerSettings*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetWindowTextW(dialog, settings->caption.c_str());
        CenterWindow(dialog, GetParent(dialog));
        return TRUE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            // Enter with no button focused: the question stays.
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        case IDYES:
            SettingsOf(dialog)->deleteUserData = IsDlgButtonChecked(dialog, IDC_DELETE_USER_DATA) == BST_CHECKED;
            EndDialog(dialog, IDYES);
            return TRUE;
        default:
            return FALSE;
        }
    default:
        return FALSE;
    }
}

INT_PTR ShowConfirmDialog(UninstallerSettings& settings)
{
    return DialogBoxParamW(settings.instance, MAKEINTRESOURCEW(IDD_CONFIRM), nullptr, ConfirmDialogProc,
                           reinterpret_cast<LPARAM>(&settings));
}
