#pragma once

#include <windows.h>

#include "common/win/flat_button_state.h"

// Decides whether the button draws with visual styles: IsAppThemedSafe unless
// a test installs another probe. Installing null restores IsAppThemedSafe;
// the previous probe is returned.
typedef bool (*VisualStylesProbe)();
VisualStylesProbe SetFlatButtonVisualStylesProbe(VisualStylesProbe probe);
bool FlatButtonUsesVisualStyles();

// WM_ERASEBKGND: the parent's themed background, else the button face colour.
void EraseFlatButton(HWND button, HDC dc);

// WM_PRINTCLIENT: frame, text and focus rectangle of the button in the given
// state. The DC's font, colours and modes are left as they were.
void DrawFlatButton(HWND button, HDC dc, const FlatButtonState& state);
