#include "common/win/flat_button.h"

#include <commctrl.h>

#include "common/win/flat_button_draw.h"
#include "common/win/flat_button_gdi.h"
#include "common/win/flat_button_input.h"
#include "common/win/flat_button_state.h"
#include "common/win/flat_button_tooltip.h"

const wchar_t kFlatButtonClassName[] = L"QZFlatButton";

namespace {

LRESULT OnCreate(HWND button, const CREATESTRUCTW* create)
{
    FlatButtonState* state = AllocateFlatButtonState();
    if (!state)
        return -1;
    *state = FlatButtonState();
    state->trackMouseEvent = BindTrackMouseEvent();
    CreateFlatButtonTooltip(button, create->hInstance);
    SetFlatButtonState(button, state);
    return 0;
}

void OnDestroy(HWND button, FlatButtonState* state)
{
    DestroyFlatButtonTooltip(button);
    SetFlatButtonState(button, nullptr);
    ReleaseFlatButtonState(state);
}

void OnPaint(HWND button)
{
    ScopedPaint paint(button);
    FlatButtonState* state = GetFlatButtonState(button);
    // Without a state the window is being created or destroyed: nothing to show.
    if (state && paint.dc())
        DrawFlatButton(button, paint.dc(), *state);
}

// Messages that are handled whether or not the window has its state.
bool HandleStatelessMessage(HWND button, UINT message, WPARAM wParam, LPARAM lParam,
                            LRESULT& result)
{
    switch (message) {
    case WM_CREATE:
        result = OnCreate(button, reinterpret_cast<const CREATESTRUCTW*>(lParam));
        return true;
    case WM_ERASEBKGND:
        EraseFlatButton(button, reinterpret_cast<HDC>(wParam));
        result = 1;
        return true;
    case WM_GETDLGCODE:
        result = DLGC_WANTARROWS;
        return true;
    case WM_MOUSEACTIVATE:
        SetFocus(button);
        result = 0; // taken as MA_ACTIVATE
        return true;
    case WM_NOTIFY:
        AnswerFlatButtonTooltip(button, reinterpret_cast<NMHDR*>(lParam));
        result = 1;
        return true;
    case WM_PAINT:
        OnPaint(button);
        result = 0;
        return true;
    case WM_ENABLE:
        RepaintFlatButton(button);
        result = DefWindowProcW(button, message, wParam, lParam);
        return true;
    default:
        return false;
    }
}

LRESULT CALLBACK FlatButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = 0;
    if (HandleStatelessMessage(button, message, wParam, lParam, result))
        return result;

    FlatButtonState* state = GetFlatButtonState(button);
    if (!state)
        return DefWindowProcW(button, message, wParam, lParam);

    switch (message) {
    case WM_DESTROY:
        OnDestroy(button, state);
        return 0;
    case WM_SETFOCUS:
        OnFlatButtonFocus(button, *state, true);
        return 0;
    case WM_KILLFOCUS:
        OnFlatButtonFocus(button, *state, false);
        return 0;
    case WM_KEYDOWN:
        OnFlatButtonKeyDown(button, *state, wParam);
        return 0;
    case WM_KEYUP:
        OnFlatButtonKeyUp(button, *state, wParam);
        return 0;
    case WM_MOUSEMOVE:
        OnFlatButtonMouseMove(button, *state);
        break;
    case WM_LBUTTONDOWN:
        OnFlatButtonLeftDown(button, *state);
        return 0;
    case WM_LBUTTONUP:
        OnFlatButtonLeftUp(button, *state);
        return 0;
    case WM_MOUSELEAVE:
        OnFlatButtonMouseLeave(button, *state);
        return 0;
    case WM_CAPTURECHANGED:
        OnFlatButtonCaptureChanged(button, *state, reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_PRINTCLIENT:
        if ((lParam & PRF_CHECKVISIBLE) && !IsWindowVisible(button))
            break;
        DrawFlatButton(button, reinterpret_cast<HDC>(wParam), *state);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(button, message, wParam, lParam);
}

} // namespace

bool RegisterFlatButtonClass(HINSTANCE instance)
{
    // Each button's tooltip needs the comctl32 tooltip class.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);

    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    // No CS_DBLCLKS: a quick second click arrives as a second press.
    windowClass.style = CS_OWNDC;
    windowClass.lpfnWndProc = FlatButtonProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = sizeof(FlatButtonState*);
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kFlatButtonClassName;
    RegisterClassExW(&windowClass);
    return true;
}
