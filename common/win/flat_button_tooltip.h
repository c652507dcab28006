#pragma once

#include <windows.h>
#include <commctrl.h>

// Creates the button's tooltip and keeps its handle in GWLP_USERDATA (null
// when it could not be created). The button is its one tool; the tooltip asks
// for the text through TTN_GETDISPINFOW.
void CreateFlatButtonTooltip(HWND button, HINSTANCE instance);

// The tooltip belongs to the button's top-level window, so it would outlive a
// button that is destroyed alone.
void DestroyFlatButtonTooltip(HWND button);

// WM_NOTIFY: answers a text request for this button with its window text when
// it has the tooltip style. The text lives in one buffer shared by all buttons.
void AnswerFlatButtonTooltip(HWND button, NMHDR* header);
