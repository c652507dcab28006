#pragma once

#include <windows.h>
#include <uxtheme.h>

// uxtheme is not a KnownDLL, so it is never imported: it is loaded from the
// system folder on first use and kept until the process ends, and its entry
// points are bound at run time.

// Whether visual styles are active for this process. False while IsAppThemed
// cannot be bound; the next call tries again.
bool IsAppThemedSafe();

// The drawing functions of uxtheme; a member is null while it cannot be bound.
struct ThemeFunctions {
    HTHEME(WINAPI* openThemeData)(HWND, LPCWSTR);
    HRESULT(WINAPI* closeThemeData)(HTHEME);
    HRESULT(WINAPI* drawThemeBackground)(HTHEME, HDC, int, int, const RECT*, const RECT*);
    HRESULT(WINAPI* drawThemeText)(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*);
    HRESULT(WINAPI* drawThemeParentBackground)(HWND, HDC, RECT*);
};

// Binds whatever is still missing and returns the process-wide table.
const ThemeFunctions& GetThemeFunctions();

// Owns a theme handle opened for a window and closes it once. A handle is
// only opened while every function above is bound, so holding one means the
// theme can be drawn with.
class ScopedTheme {
public:
    ScopedTheme() : theme_(nullptr) {}
    ~ScopedTheme();
    bool Open(HWND window, const wchar_t* classList);
    ScopedTheme(const ScopedTheme&) = delete;
    ScopedTheme& operator=(const ScopedTheme&) = delete;

    HTHEME get() const { return theme_; }
    explicit operator bool() const { return theme_ != nullptr; }

private:
    HTHEME theme_;
};
