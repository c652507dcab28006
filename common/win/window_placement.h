#pragma once

#include <windows.h>

// Where a window of the given size goes when centred on the reference
// rectangle, with its left and top edges kept inside the work area (even
// when the window is larger than the work area).
POINT CenterInRectangle(const RECT& reference, SIZE window, const RECT& workArea);

// The centred position of a window on its reference window, or on the
// primary screen when the reference is null, hidden or no window. False for a
// window that does not exist or is minimised or maximised.
bool ComputeCenteredPosition(HWND reference, HWND window, int& x, int& y);

// Moves the window to the position above, keeping its size and Z order;
// leaves it where it is when there is none.
void CenterWindow(HWND window, HWND reference);
