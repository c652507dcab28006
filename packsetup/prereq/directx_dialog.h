#pragma once

// The DirectX setup's progress dialog (template IDD_DIRECTX_PROGRESS): a
// running marquee, no percentage and no cancel.
#include <windows.h>

// Creates the dialog modeless and hidden, owned by the window (may be null).
HWND CreateDirectXDialog(HINSTANCE module, HWND owner);
