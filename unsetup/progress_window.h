#pragma once

#include <windows.h>

// The core's progress window, dialog 107: a label and a marquee bar, no
// close box; the user cannot close it. Created modeless without an owner,
// shown and painted at once; destroyed with its owner object.
class ProgressWindow {
public:
    explicit ProgressWindow(HINSTANCE instance);
    ~ProgressWindow() { Destroy(); }
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    // Null when the dialog could not be created.
    HWND get() const { return window_; }
    void Destroy();

private:
    HWND window_;
};

// Its dialog procedure: starts the marquee and centres the window.
INT_PTR CALLBACK ProgressWindowProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
