#include "common/win/flat_button_tooltip.h"

#include "common/win/flat_button.h"

namespace {

const int kTooltipTextSize = 256;

// The tooltip copies the text before the next request, so one buffer serves
// every button of the thread.
wchar_t tooltipText[kTooltipTextSize];

HWND FlatButtonTooltip(HWND button)
{
    return reinterpret_cast<HWND>(GetWindowLongPtrW(button, GWLP_USERDATA));
}

} // namespace

void CreateFlatButtonTooltip(HWND button, HINSTANCE instance)
{
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, button, nullptr,
                                   instance, nullptr);
    SetWindowLongPtrW(button, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(tooltip));
    if (!tooltip)
        return;

    TOOLINFOW tool = {};
    tool.cbSize = sizeof(tool);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = button;
    tool.uId = reinterpret_cast<UINT_PTR>(button);
    tool.hinst = instance;
    tool.lpszText = LPSTR_TEXTCALLBACKW;
    SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void DestroyFlatButtonTooltip(HWND button)
{
    HWND tooltip = FlatButtonTooltip(button);
    SetWindowLongPtrW(button, GWLP_USERDATA, 0);
    // Destroying the dialog destroys its owned windows, the tooltip among
    // them, before the buttons.
    if (tooltip && IsWindow(tooltip))
        DestroyWindow(tooltip);
}

void AnswerFlatButtonTooltip(HWND button, NMHDR* header)
{
    if (!header || header->code != TTN_GETDISPINFOW ||
        header->idFrom != reinterpret_cast<UINT_PTR>(button))
        return;
    if (!(GetWindowLongW(button, GWL_STYLE) & kFlatButtonTextTooltip))
        return;
    NMTTDISPINFOW* request = reinterpret_cast<NMTTDISPINFOW*>(header);
    tooltipText[0] = L'\0';
    GetWindowTextW(button, tooltipText, kTooltipTextSize);
    request->hinst = nullptr;
    request->lpszText = tooltipText;
}
