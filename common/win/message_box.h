#pragma once

#include <windows.h>

#include <string>

// Every message box of the programs goes through ShowMessageBox. Tests
// install a handler that records the box and answers it instead.
typedef int (*MessageBoxHandler)(HWND owner, const std::wstring& text,
                                 const std::wstring& title, UINT flags);

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags);

// Installs a handler (null restores MessageBoxW) and returns the previous one.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);
