#include "common/win/message_box.h"

namespace {

int SystemMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
{
    return MessageBoxW(owner, text.c_str(), title.c_str(), flags);
}

MessageBoxHandler currentHandler = SystemMessageBox;

} // namespace

int ShowMessageBox(HWND owner, const std::wstring& text, const std::wstring& title, UINT flags)
{
    return currentHandler(owner, text, title, flags);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    MessageBoxHandler previous = currentHandler;
    currentHandler = handler ? handler : SystemMessageBox;
    return previous;
}
