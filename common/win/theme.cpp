#include "common/win/theme.h"

#include "common/win/system_library.h"

namespace {

typedef BOOL(WINAPI* IsAppThemedFn)();

// Loaded once and never freed: the bound entry points must stay valid for
// every later call, whatever window asks.
HMODULE UxThemeModule()
{
    static HMODULE module = nullptr;
    if (!module)
        module = LoadSystemLibrary(L"uxtheme.dll");
    return module;
}

template <typename Fn>
void BindIfMissing(Fn& target, const char* name)
{
    if (!target)
        target = BindProc<Fn>(UxThemeModule(), name);
}

ThemeFunctions themeFunctions = {};

} // namespace

bool IsAppThemedSafe()
{
    static IsAppThemedFn isAppThemed = nullptr;
    BindIfMissing(isAppThemed, "IsAppThemed");
    return isAppThemed && isAppThemed() != FALSE;
}

const ThemeFunctions& GetThemeFunctions()
{
    BindIfMissing(themeFunctions.openThemeData, "OpenThemeData");
    BindIfMissing(themeFunctions.closeThemeData, "CloseThemeData");
    BindIfMissing(themeFunctions.drawThemeBackground, "DrawThemeBackground");
    BindIfMissing(themeFunctions.drawThemeText, "DrawThemeText");
    BindIfMissing(themeFunctions.drawThemeParentBackground, "DrawThemeParentBackground");
    return themeFunctions;
}

bool ScopedTheme::Open(HWND window, const wchar_t* classList)
{
    if (theme_)
        return true;
    const ThemeFunctions& functions = GetThemeFunctions();
    if (functions.openThemeData && functions.closeThemeData && functions.drawThemeBackground &&
        functions.drawThemeText && functions.drawThemeParentBackground)
        theme_ = functions.openThemeData(window, classList);
    return theme_ != nullptr;
}

ScopedTheme::~ScopedTheme()
{
    if (theme_)
        themeFunctions.closeThemeData(theme_);
}
