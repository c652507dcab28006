#include "common/win/window_placement.h"

#include <algorithm>

namespace {

RECT PrimaryScreen()
{
    RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return screen;
}

// The virtual screen spans every monitor; systems without it report a width
// of 0, and then the full-screen client area of the primary screen counts.
RECT WorkArea()
{
    int width = GetSystemMetrics(SM_CXVIRTUALSCREEN);
    if (width != 0) {
        int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
        int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
        RECT area = {left, top, left + width, top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
        return area;
    }
    RECT area = {0, 0, GetSystemMetrics(SM_CXFULLSCREEN), GetSystemMetrics(SM_CYFULLSCREEN)};
    return area;
}

} // namespace

POINT CenterInRectangle(const RECT& reference, SIZE window, const RECT& workArea)
{
    POINT position;
    position.x = reference.left + (reference.right - reference.left - window.cx) / 2;
    position.y = reference.top + (reference.bottom - reference.top - window.cy) / 2;

    position.x = std::min<LONG>(position.x, workArea.right - window.cx);
    position.x = std::max<LONG>(position.x, workArea.left);
    position.y = std::min<LONG>(position.y, workArea.bottom - window.cy);
    position.y = std::max<LONG>(position.y, workArea.top);
    return position;
}

bool ComputeCenteredPosition(HWND reference, HWND window, int& x, int& y)
{
    if (!IsWindow(window) || IsIconic(window) || IsZoomed(window))
        return false;
    RECT bounds;
    if (!GetWindowRect(window, &bounds))
        return false;

    RECT referenceBounds;
    if (!reference || !IsWindow(reference) || !IsWindowVisible(reference)
        || !GetWindowRect(reference, &referenceBounds))
        referenceBounds = PrimaryScreen();

    SIZE size = {bounds.right - bounds.left, bounds.bottom - bounds.top};
    POINT position = CenterInRectangle(referenceBounds, size, WorkArea());
    x = position.x;
    y = position.y;
    return true;
}

void CenterWindow(HWND window, HWND reference)
{
    int x = 0;
    int y = 0;
    if (!ComputeCenteredPosition(reference, window, x, y))
        return;
    UINT flags = SWP_NOSIZE | SWP_NOZORDER;
    if (!IsWindowVisible(window))
        flags |= SWP_NOREDRAW;
    SetWindowPos(window, nullptr, x, y, 0, 0, flags);
}
