#pragma once

#include <windows.h>

// The window class of the installer's flat push button. Dialog templates use
// it by name once RegisterFlatButtonClass has run for the module.
extern const wchar_t kFlatButtonClassName[];

// Control styles, in the low bits of the window style beside WS_BORDER (which
// gives the flat look a thin frame while it is not highlighted).
const DWORD kFlatButtonNoHighlightFrame = 0x0001; // no frame for the highlight alone
const DWORD kFlatButtonPushLook = 0x0002;         // push-button look instead of the flat look
const DWORD kFlatButtonTextTooltip = 0x0008;      // the window text is also the tooltip
const DWORD kFlatButtonNoText = 0x0010;           // draw no text

// Registers "QZFlatButton" for the module. Always true: a class that is
// already registered is as good as a new one.
bool RegisterFlatButtonClass(HINSTANCE instance);
