#include "support/doctest_text.h"

namespace e2e {

std::string Describe(const std::vector<uiauto::MessageBoxRecord>& boxes)
{
    std::wstring text = std::to_wstring(boxes.size()) + L" message box(es)";
    for (const uiauto::MessageBoxRecord& box : boxes) {
        text += L"\n  [" + box.processName + L"] title=\"" + box.title + L"\" text=\"" + box.text + L"\" icon=" +
                uiauto::IconKindName(box.icon) + L" buttons:";
        for (const uiauto::Button& button : box.buttons)
            text += L" " + std::to_wstring(button.id) + L"=\"" + button.text + L"\"";
        text += L" pressed=" + std::to_wstring(box.pressed);
    }
    return ToUtf8(text);
}

std::string Describe(const uiauto::RunResult& run)
{
    std::string text = Describe(run.messageBoxes);
    for (const uiauto::ProcessRecord& process : run.processes) {
        text += "\n  process " + ToUtf8(process.name) + " depth " + std::to_string(process.depth)
            + (process.ended ? " exit " + std::to_string(process.exitCode) : std::string(" running"));
    }
    return text;
}

} // namespace e2e
