#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uiauto {

// Reading and driving windows of other processes. Texts go through
// WM_GETTEXT with a timeout, so a hung program cannot block the caller.

std::wstring WindowText(HWND window);
std::wstring WindowClassName(HWND window);
DWORD WindowProcessId(HWND window);

// Visible top-level windows, in Z order.
std::vector<HWND> VisibleTopLevelWindows();

// Direct child with the given control id, or null.
HWND FindControl(HWND dialog, int controlId);
// Text of that control; empty when there is none.
std::wstring ControlText(HWND dialog, int controlId);

// Clicks a button of a dialog as the button itself would report it.
bool PressButton(HWND dialog, int buttonId);
bool PostToWindow(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

} // namespace uiauto
