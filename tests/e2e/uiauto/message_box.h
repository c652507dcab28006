#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uiauto {

enum class IconKind { None, Error, Warning, Information, Question, Unknown };

struct Button {
    int id;
    std::wstring text;
};

struct MessageBoxRecord {
    HWND window = nullptr;
    DWORD processId = 0;
    std::wstring processName; // image file name of the owning process
    unsigned depth = 0;       // 0: the started process, 1: a child of it, ...
    std::wstring title;
    std::wstring text;
    std::vector<Button> buttons; // visible buttons, left to right
    int defaultButton = 0;
    IconKind icon = IconKind::None;
    int requested = 0; // id that the answer rules chose (0: none, the default button)
    int pressed = 0;   // id that was pressed (0: no button could be pressed)
};

// A message box is a dialog of class "#32770" with a static control 0xFFFF.
bool IsMessageBox(HWND window);

// Reads title, text, buttons, default button and icon of a message box;
// process fields and the answer are left to the caller.
MessageBoxRecord ReadMessageBox(HWND window);

bool HasButton(const MessageBoxRecord& box, int id);

const wchar_t* IconKindName(IconKind kind);

// A button by its name ("IDYES", any case) or decimal id; 0 when it is neither.
int ButtonIdByName(const std::wstring& text);

} // namespace uiauto
