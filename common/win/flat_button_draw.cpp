#include "common/win/flat_button_draw.h"

#include <vssym32.h>

#include "common/win/flat_button.h"
#include "common/win/flat_button_gdi.h"
#include "common/win/theme.h"

namespace {

const UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_CENTER;
const int kMaxTextLength = 199;

VisualStylesProbe visualStylesProbe = IsAppThemedSafe;

// What one drawing needs to know, taken once at its start.
struct Look {
    DWORD style;
    bool push;
    bool focused;
    bool highlighted;
    bool pressed;
    bool hovering;
};

HFONT ButtonFont(HWND button)
{
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(button, WM_GETFONT, 0, 0));
    HWND parent = GetParent(button);
    if (!font && parent)
        font = reinterpret_cast<HFONT>(SendMessageW(parent, WM_GETFONT, 0, 0));
    return font;
}

void DrawThemedPushFrame(HDC dc, const RECT& rc, const Look& look, HTHEME theme)
{
    int state = PBS_NORMAL;
    if (look.pressed)
        state = PBS_PRESSED;
    else if (look.hovering)
        state = PBS_HOT;
    else if (look.focused)
        state = PBS_DEFAULTED;
    GetThemeFunctions().drawThemeBackground(theme, dc, BP_PUSHBUTTON, state, &rc, nullptr);
}

void DrawClassicPushFrame(HDC dc, const RECT& rc, const Look& look)
{
    // The focused button keeps a black outline one pixel outside its face.
    RECT face = rc;
    if (look.focused)
        InflateRect(&face, -1, -1);
    if (!look.pressed)
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH);
    else if (look.focused)
        FrameRect(dc, &face, GetSysColorBrush(COLOR_BTNSHADOW));
    else
        DrawEdge(dc, &face, EDGE_SUNKEN, BF_RECT);
    if (look.focused)
        FrameRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

void DrawThemedFlatFrame(HDC dc, const RECT& rc, const Look& look, HTHEME theme)
{
    int state = 0;
    if (look.pressed)
        state = TS_PRESSED;
    else if (look.hovering)
        state = TS_HOT;
    else if (look.highlighted && !(look.style & kFlatButtonNoHighlightFrame))
        state = TS_HOT;
    if (state != 0)
        GetThemeFunctions().drawThemeBackground(theme, dc, TP_BUTTON, state, &rc, nullptr);
}

void DrawClassicFlatFrame(HDC dc, const RECT& rc, const Look& look)
{
    RECT edge = rc;
    if (look.highlighted) {
        if (look.pressed)
            DrawEdge(dc, &edge, BDR_SUNKENOUTER, BF_RECT);
        else if (!(look.style & kFlatButtonNoHighlightFrame))
            DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
    } else if (look.style & WS_BORDER) {
        FrameRect(dc, &rc, GetSysColorBrush(COLOR_BTNSHADOW));
    }
}

void DrawLabel(HDC dc, const RECT& rc, const wchar_t* text, const Look& look, HTHEME theme)
{
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    if (theme) {
        // Part 1 is the button part of both classes; its states 1, 2, 3 are
        // normal, hot and pressed.
        int state = 1;
        if (look.pressed)
            state = 3;
        else if (!look.push && look.hovering)
            state = 2;
        RECT textRect = rc;
        if (SUCCEEDED(GetThemeFunctions().drawThemeText(theme, dc, 1, state, text, -1,
                                                        kTextFormat, 0, &textRect)))
            return;
    }
    RECT textRect = rc;
    DrawTextW(dc, text, -1, &textRect, kTextFormat);
}

void DrawFocus(HWND button, HDC dc, const Look& look, bool themed)
{
    RECT focus;
    GetClientRect(button, &focus);
    InflateRect(&focus, themed ? -3 : -4, -3);
    if (look.push && !themed)
        focus.bottom -= 1;
    DrawFocusRect(dc, &focus);
}

} // namespace

VisualStylesProbe SetFlatButtonVisualStylesProbe(VisualStylesProbe probe)
{
    VisualStylesProbe previous = visualStylesProbe;
    visualStylesProbe = probe ? probe : IsAppThemedSafe;
    return previous;
}

bool FlatButtonUsesVisualStyles()
{
    return visualStylesProbe();
}

void EraseFlatButton(HWND button, HDC dc)
{
    RECT rc;
    GetClientRect(button, &rc);
    if (FlatButtonUsesVisualStyles()) {
        const ThemeFunctions& functions = GetThemeFunctions();
        if (functions.drawThemeParentBackground &&
            SUCCEEDED(functions.drawThemeParentBackground(button, dc, &rc)))
            return;
    }
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
}

void DrawFlatButton(HWND button, HDC dc, const FlatButtonState& state)
{
    ScopedDcState savedDc(dc);
    if (HFONT font = ButtonFont(button))
        SelectObject(dc, font);

    Look look;
    look.style = static_cast<DWORD>(GetWindowLongW(button, GWL_STYLE));
    look.push = (look.style & kFlatButtonPushLook) != 0;
    look.focused = GetFocus() == button;
    // Without hover tracking the frame could never go away again, so it always shows.
    look.highlighted = state.highlighted || !state.trackMouseEvent;
    look.pressed = state.pressed;
    look.hovering = state.hovering;

    RECT rc;
    GetClientRect(button, &rc);
    wchar_t text[kMaxTextLength + 1] = L"";
    if (!(look.style & kFlatButtonNoText))
        GetWindowTextW(button, text, kMaxTextLength + 1);

    // Visual styles reported active but the class's theme not available: the
    // whole button is drawn the classic way, text and focus rectangle included.
    ScopedTheme theme;
    if (FlatButtonUsesVisualStyles())
        theme.Open(button, look.push ? L"Button" : L"Toolbar");

    if (look.push && theme)
        DrawThemedPushFrame(dc, rc, look, theme.get());
    else if (look.push)
        DrawClassicPushFrame(dc, rc, look);
    else if (theme)
        DrawThemedFlatFrame(dc, rc, look, theme.get());
    else
        DrawClassicFlatFrame(dc, rc, look);

    if (text[0] == L'\0')
        return;
    DrawLabel(dc, rc, text, look, theme.get());
    if (look.focused)
        DrawFocus(button, dc, look, static_cast<bool>(theme));
}
