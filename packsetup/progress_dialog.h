#pragma once

#include <windows.h>

// Dialog procedure of the copy's progress dialog (template IDD_PROGRESS):
// the package's caption as title, centred over its owner; the Cancel button
// sets cancelRequested and disables itself, the dialog stays.
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Creates the dialog modeless and hidden from the module's template, owned
// by the window given (may be null); null on failure.
HWND CreateProgressDialog(HINSTANCE module, HWND owner);

// Shows the phase's text (a string id) above the bar.
void ShowPhase(HWND dialog, UINT textId);
