#pragma once

#include <windows.h>

#include "common/win/flat_button_state.h"

// TrackMouseEvent of user32, else _TrackMouseEvent of comctl32, else null.
TrackMouseEventFn BindTrackMouseEvent();

// Mouse and keyboard handling of a flat button. Handlers that may notify a
// click do so last: the parent may destroy the button, and the state with it,
// while it handles the notification.
void OnFlatButtonMouseMove(HWND button, FlatButtonState& state);
void OnFlatButtonMouseLeave(HWND button, FlatButtonState& state);
void OnFlatButtonLeftDown(HWND button, FlatButtonState& state);
void OnFlatButtonLeftUp(HWND button, FlatButtonState& state);
void OnFlatButtonCaptureChanged(HWND button, FlatButtonState& state, HWND newCapture);
void OnFlatButtonKeyDown(HWND button, FlatButtonState& state, WPARAM key);
void OnFlatButtonKeyUp(HWND button, FlatButtonState& state, WPARAM key);
void OnFlatButtonFocus(HWND button, FlatButtonState& state, bool focused);

// WM_COMMAND with BN_CLICKED to the parent, as a standard button sends it.
void NotifyFlatButtonClick(HWND button);
