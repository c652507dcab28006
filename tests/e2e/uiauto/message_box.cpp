#include "uiauto/message_box.h"

#include "uiauto/icon_kind.h"
#include "uiauto/window_access.h"

#include <algorithm>
#include <cwchar>

namespace uiauto {

namespace {

const int kTextControlId = 0xFFFF;

struct PlacedButton {
    LONG left;
    Button button;
};

BOOL CALLBACK CollectButton(HWND child, LPARAM context)
{
    if (!IsWindowVisible(child) || WindowClassName(child) != L"Button")
        return TRUE;
    RECT rect;
    if (!GetWindowRect(child, &rect))
        return TRUE;
    reinterpret_cast<std::vector<PlacedButton>*>(context)->push_back(
        PlacedButton{rect.left, Button{GetDlgCtrlID(child), WindowText(child)}});
    return TRUE;
}

bool HasDefaultStyle(HWND button)
{
    return (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
}

// The button that Enter would press: the one drawn as default, else the
// dialog's default id when that button is shown.
int DefaultButtonOf(HWND dialog, const std::vector<Button>& buttons)
{
    for (const Button& button : buttons) {
        HWND control = FindControl(dialog, button.id);
        if (control && HasDefaultStyle(control))
            return button.id;
    }
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 2000, &result) ||
        HIWORD(result) != DC_HASDEFID)
        return 0;
    for (const Button& button : buttons) {
        if (button.id == LOWORD(result))
            return button.id;
    }
    return 0;
}

} // namespace

bool IsMessageBox(HWND window)
{
    return WindowClassName(window) == L"#32770" && FindControl(window, kTextControlId) != nullptr;
}

MessageBoxRecord ReadMessageBox(HWND window)
{
    MessageBoxRecord box;
    box.window = window;
    box.title = WindowText(window);
    box.text = ControlText(window, kTextControlId);

    std::vector<PlacedButton> placed;
    EnumChildWindows(window, CollectButton, reinterpret_cast<LPARAM>(&placed));
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedButton& a, const PlacedButton& b) { return a.left < b.left; });
    for (const PlacedButton& entry : placed)
        box.buttons.push_back(entry.button);

    box.defaultButton = DefaultButtonOf(window, box.buttons);
    box.icon = ClassifyDialogIcon(window);
    return box;
}

bool HasButton(const MessageBoxRecord& box, int id)
{
    return std::any_of(box.buttons.begin(), box.buttons.end(),
                       [id](const Button& button) { return button.id == id; });
}

const wchar_t* IconKindName(IconKind kind)
{
    switch (kind) {
    case IconKind::None: return L"none";
    case IconKind::Error: return L"error";
    case IconKind::Warning: return L"warning";
    case IconKind::Information: return L"information";
    case IconKind::Question: return L"question";
    case IconKind::Unknown: break;
    }
    return L"unknown";
}

namespace {

struct NamedId {
    const wchar_t* name;
    int id;
};
const NamedId kButtonIds[] = {{L"IDOK", IDOK},         {L"IDCANCEL", IDCANCEL},     {L"IDABORT", IDABORT},
                              {L"IDRETRY", IDRETRY},   {L"IDIGNORE", IDIGNORE},     {L"IDYES", IDYES},
                              {L"IDNO", IDNO},         {L"IDTRYAGAIN", IDTRYAGAIN}, {L"IDCONTINUE", IDCONTINUE}};

} // namespace

int ButtonIdByName(const std::wstring& text)
{
    for (const NamedId& entry : kButtonIds) {
        if (_wcsicmp(entry.name, text.c_str()) == 0)
            return entry.id;
    }
    wchar_t* end = nullptr;
    unsigned long id = std::wcstoul(text.c_str(), &end, 10);
    return !text.empty() && *end == L'\0' && id > 0 && id < 0x10000 ? static_cast<int>(id) : 0;
}

} // namespace uiauto
