#pragma once

#include <windows.h>

#include <string>

namespace uiauto {

// Saves a window as the screen shows it, frame included, to a 32-bit BMP
// file. The window is raised first so that no other window hides it.
bool CaptureWindow(HWND window, const std::wstring& bmpPath);

} // namespace uiauto
