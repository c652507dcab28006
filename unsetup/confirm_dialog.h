#pragma once

#include <windows.h>

#include "unsetup/uninstaller_settings.h"

// Shows the confirmation dialog 136 modally without an owner. Returns the
// command that ended it: IDYES (with settings.deleteUserData set from the
// check box) or IDCANCEL (No, Escape, the close box); -1 when it could not
// be shown.
INT_PTR ShowConfirmDialog(UninstallerSettings& settings);

// Its dialog procedure; the creation parameter is the UninstallerSettings.
INT_PTR CALLBACK ConfirmDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
