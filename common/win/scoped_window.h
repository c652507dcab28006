#pragma once

#include <windows.h>

// Owns a window that the holder created (a modeless dialog, say) and
// destroys it once, unless it is already gone.
class ScopedWindow {
public:
    explicit ScopedWindow(HWND window = nullptr) : window_(window) {}
    ~ScopedWindow() { Reset(); }
    ScopedWindow(const ScopedWindow&) = delete;
    ScopedWindow& operator=(const ScopedWindow&) = delete;

    HWND get() const { return window_; }
    explicit operator bool() const { return window_ != nullptr; }

    void Reset()
    {
        if (window_ && IsWindow(window_))
            DestroyWindow(window_);
        window_ = nullptr;
    }

private:
    HWND window_;
};
