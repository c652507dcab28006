// Runs a program under observation, answering its message boxes, for scripts.
// Usage: uiauto.exe [--timeout S] [--answer "substring=IDYES"]... [--default ID[,ID]...]
//                   [--press "title part=ID"] [--close CLASS] [--cwd DIR] [--limited]
//                   -- program.exe args...
// --press waits for a dialog whose title holds the part and presses its button
// first, for programs that open with a dialog of their own. --close waits for a
// window of that class in the program's process tree (a program it started)
// and closes it, so that the run can end. --limited starts the program with
// the limited token of the caller's split log-on, as a user's own start runs.
// Prints one line per message box and "exit code: N" at the end. Exit code:
// 0 the program ran to completion, 1 bad usage, 2 timeout, 3 start failure.
#include <windows.h>

#include "uiauto/message_box.h"
#include "uiauto/session.h"
#include "uiauto/window_access.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

const int kCompleted = 0;
const int kUsage = 1;
const int kTimeout = 2;
const int kStartFailed = 3;

// Output goes out as UTF-8, the encoding of the scripts that read it.
void Print(const std::wstring& line)
{
    std::wstring withNewline = line + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, withNewline.c_str(), static_cast<int>(withNewline.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, withNewline.c_str(), static_cast<int>(withNewline.size()), &bytes[0], size,
                            nullptr, nullptr);
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

std::wstring Escape(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
        case L'\n': escaped += L"\\n"; break;
        case L'\r': escaped += L"\\r"; break;
        case L'\t': escaped += L"\\t"; break;
        case L'\\': escaped += L"\\\\"; break;
        case L'"': escaped += L"\\\""; break;
        default: escaped.push_back(c);
        }
    }
    return escaped;
}

void PrintMessageBox(const uiauto::MessageBoxRecord& box)
{
    std::wstring buttons;
    for (const uiauto::Button& button : box.buttons)
        buttons += (buttons.empty() ? L"" : L",") + std::to_wstring(button.id) + L":\"" + Escape(button.text) + L"\"";
    Print(L"message box: title=\"" + Escape(box.title) + L"\" text=\"" + Escape(box.text) + L"\" icon=" +
          uiauto::IconKindName(box.icon) + L" buttons=[" + buttons + L"] answer=" + std::to_wstring(box.pressed) +
          L" process=" + box.processName + L" (" + std::to_wstring(box.processId) + L")");
}

int Usage(const std::wstring& problem)
{
    Print(L"uiauto: " + problem);
    Print(L"usage: uiauto.exe [--timeout S] [--answer \"substring=IDYES\"]... [--default ID[,ID]...] [--press \"title=ID\"] [--close CLASS] "
          L"[--cwd DIR] [--limited] -- "
          L"program.exe args...");
    return kUsage;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    DWORD timeoutSeconds = 60;
    uiauto::AnswerRules rules;
    uiauto::LaunchOptions options;
    std::wstring pressTitle;
    int pressId = 0;
    std::wstring closeClass;
    std::vector<int> defaults;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--")
            break;
        if (arg == L"--limited") {
            options.withoutElevation = true;
            continue;
        }
        if (i + 1 >= argc)
            return Usage(L"missing value for " + arg);
        std::wstring value = argv[++i];
        if (arg == L"--timeout") {
            wchar_t* end = nullptr;
            timeoutSeconds = std::wcstoul(value.c_str(), &end, 10);
            if (value.empty() || *end != L'\0' || timeoutSeconds == 0 || timeoutSeconds > 86400)
                return Usage(L"bad timeout " + value);
        } else if (arg == L"--answer") {
            // The text may itself hold '=': the button is after the last one.
            size_t equals = value.rfind(L'=');
            int id = equals == std::wstring::npos ? 0 : uiauto::ButtonIdByName(value.substr(equals + 1));
            if (equals == 0 || id == 0)
                return Usage(L"bad answer " + value);
            rules.WhenTextContains(value.substr(0, equals), id);
        } else if (arg == L"--default") {
            // "IDNO,IDCANCEL,IDOK": the first of them that the box has.
            defaults.clear();
            size_t start = 0;
            while (start <= value.size()) {
                size_t comma = value.find(L',', start);
                if (comma == std::wstring::npos)
                    comma = value.size();
                int id = uiauto::ButtonIdByName(value.substr(start, comma - start));
                if (id == 0)
                    return Usage(L"bad default " + value);
                defaults.push_back(id);
                start = comma + 1;
            }
        } else if (arg == L"--press") {
            size_t equals = value.rfind(L'=');
            pressId = equals == std::wstring::npos ? 0 : uiauto::ButtonIdByName(value.substr(equals + 1));
            if (equals == 0 || pressId == 0)
                return Usage(L"bad press " + value);
            pressTitle = value.substr(0, equals);
        } else if (arg == L"--close") {
            closeClass = value;
        } else if (arg == L"--cwd") {
            options.workingFolder = value;
        } else {
            return Usage(L"unknown option " + arg);
        }
    }
    if (i + 1 >= argc)
        return Usage(L"no program after --");
    if (!defaults.empty()) {
        rules.Use([defaults](const uiauto::MessageBoxRecord& box) {
            for (int id : defaults) {
                if (uiauto::HasButton(box, id))
                    return id;
            }
            return 0;
        });
        rules.Otherwise(defaults.front());
    }
    options.program = argv[i + 1];
    for (int j = i + 2; j < argc; ++j)
        options.arguments.append(j > i + 2 ? L" " : L"").append(uiauto::QuoteArgument(argv[j]));

    uiauto::Session session(rules);
    session.OnAnswered(PrintMessageBox);
    if (!session.Start(options)) {
        Print(L"start failed: error " + std::to_wstring(session.StartError()));
        return kStartFailed;
    }
    if (pressId != 0) {
        HWND dialog = session.WaitForWindow(uiauto::WindowQuery{L"#32770", pressTitle}, timeoutSeconds * 1000);
        if (!dialog || !uiauto::PressButton(dialog, pressId)) {
            Print(L"no dialog titled \"" + Escape(pressTitle) + L"\" to press " + std::to_wstring(pressId));
            return kTimeout;
        }
        Print(L"dialog: title part=\"" + Escape(pressTitle) + L"\" pressed=" + std::to_wstring(pressId));
    }
    if (!closeClass.empty()) {
        // None when the whole tree has ended without one.
        HWND window = session.WaitForWindow(uiauto::WindowQuery{closeClass, L""}, timeoutSeconds * 1000);
        if (window) {
            Print(L"window closed: class=\"" + Escape(closeClass) + L"\" title=\"" + Escape(uiauto::WindowText(window)) +
                  L"\"");
            PostMessageW(window, WM_CLOSE, 0, 0);
        }
    }
    if (!session.Wait(timeoutSeconds * 1000)) {
        Print(L"timeout after " + std::to_wstring(timeoutSeconds) + L" s; processes terminated");
        return kTimeout;
    }
    // Unsigned, so that -1 reads as 4294967295 as Windows reports it.
    Print(L"exit code: " + std::to_wstring(session.ExitCode()));
    return kCompleted;
}
