#include "common/win/flat_button_input.h"

#include "common/win/flat_button_draw.h"
#include "common/win/system_library.h"

namespace {

bool CursorInside(HWND button)
{
    RECT window;
    POINT cursor;
    if (!GetWindowRect(button, &window) || !GetCursorPos(&cursor))
        return false;
    return PtInRect(&window, cursor) != FALSE;
}

void SetPressed(HWND button, FlatButtonState& state, bool pressed)
{
    if (state.pressed == pressed)
        return;
    state.pressed = pressed;
    RepaintFlatButton(button);
}

void SetHighlighted(HWND button, FlatButtonState& state, bool highlighted)
{
    if (state.highlighted == highlighted)
        return;
    state.highlighted = highlighted;
    RepaintFlatButton(button);
}

// The hover look exists only with visual styles.
void SetHovering(HWND button, FlatButtonState& state, bool hovering)
{
    state.hovering = hovering;
    if (FlatButtonUsesVisualStyles())
        RepaintFlatButton(button);
}

void FocusGroupNeighbour(HWND button, bool previous)
{
    HWND next = GetNextDlgGroupItem(GetParent(button), button, previous ? TRUE : FALSE);
    // Null would take the focus away from every window.
    if (next)
        SetFocus(next);
}

} // namespace

TrackMouseEventFn BindTrackMouseEvent()
{
    if (TrackMouseEventFn fn = BindProc<TrackMouseEventFn>(GetModuleHandleW(L"User32.dll"),
                                                           "TrackMouseEvent"))
        return fn;
    // A comctl32 loaded here stays loaded: buttons keep the bound pointer.
    HMODULE comctl32 = GetModuleHandleW(L"Comctl32.dll");
    if (!comctl32)
        comctl32 = LoadSystemLibrary(L"comctl32.dll");
    return BindProc<TrackMouseEventFn>(comctl32, "_TrackMouseEvent");
}

void OnFlatButtonMouseMove(HWND button, FlatButtonState& state)
{
    if (state.trackMouseEvent && !state.hovering)
        SetHovering(button, state, true);

    const bool inside = CursorInside(button);
    if (state.tracking) {
        SetPressed(button, state, inside);
        return;
    }
    if (!inside)
        return;
    SetHighlighted(button, state, true);
    if (state.trackMouseEvent) {
        TRACKMOUSEEVENT leave = {};
        leave.cbSize = sizeof(leave);
        leave.dwFlags = TME_LEAVE;
        leave.hwndTrack = button;
        leave.dwHoverTime = HOVER_DEFAULT;
        state.trackMouseEvent(&leave);
    }
}

void OnFlatButtonMouseLeave(HWND button, FlatButtonState& state)
{
    if (state.trackMouseEvent && state.hovering)
        SetHovering(button, state, false);
    if (GetFocus() != button)
        SetHighlighted(button, state, false);
}

void OnFlatButtonLeftDown(HWND button, FlatButtonState& state)
{
    state.tracking = true;
    state.pressed = true;
    SetCapture(button);
    RepaintFlatButton(button);
}

void OnFlatButtonLeftUp(HWND button, FlatButtonState& state)
{
    const bool wasTracking = state.tracking;
    if (wasTracking) {
        state.tracking = false;
        state.pressed = false;
        ReleaseCapture();
    }
    RepaintFlatButton(button);
    if (wasTracking && CursorInside(button))
        NotifyFlatButtonClick(button);
}

void OnFlatButtonCaptureChanged(HWND button, FlatButtonState& state, HWND newCapture)
{
    // Another window took the mouse while the button was held (a message box,
    // a drag): the press is cancelled, or a later release could click.
    if (!state.tracking || newCapture == button)
        return;
    state.tracking = false;
    state.pressed = false;
    RepaintFlatButton(button);
}

void OnFlatButtonKeyDown(HWND button, FlatButtonState& state, WPARAM key)
{
    switch (key) {
    case VK_SPACE:
        if (!state.pressed && !state.tracking)
            SetPressed(button, state, true);
        break;
    case VK_LEFT:
    case VK_UP:
        FocusGroupNeighbour(button, true);
        break;
    case VK_RIGHT:
    case VK_DOWN:
        FocusGroupNeighbour(button, false);
        break;
    default:
        break;
    }
}

void OnFlatButtonKeyUp(HWND button, FlatButtonState& state, WPARAM key)
{
    if (key != VK_SPACE || !state.pressed || state.tracking)
        return;
    SetPressed(button, state, false);
    NotifyFlatButtonClick(button);
}

void OnFlatButtonFocus(HWND button, FlatButtonState& state, bool focused)
{
    SetHighlighted(button, state, focused);
    // A space press does not survive the focus: its key-up goes elsewhere,
    // and a later one here must not click for it.
    if (!focused && !state.tracking)
        SetPressed(button, state, false);
}

void NotifyFlatButtonClick(HWND button)
{
    // The button's own handle, not GetDlgItem's answer: that is the first
    // child with the identifier, another control where identifiers repeat.
    const int id = GetDlgCtrlID(button);
    SendMessageW(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(button));
}
