// Runs a program under observation like uiauto.exe and saves its windows as
// the screen shows them, for the gallery of dialogs (scripts/screenshots.sh).
// Usage: uishot.exe [--timeout S] [--answer "substring=ID"]... [--default ID]
//                   [--boxes PREFIX] [--cwd DIR] [step]... -- program.exe args...
// --boxes saves every message box, before it is answered, as PREFIX<n>.bmp
// (n counting from 1). The steps run in order, each on the first visible
// window of the program (message boxes aside) whose title holds the part and
// that no earlier --command step has been sent to (it may be closing):
//   --wait-text "title part=control id[:text part]"
//                                        until that control shows a text
//                                        (one that holds the text part)
//   --shot "title part=file.bmp"         saves the window
//   --click "title part=control id"      clicks that button
//   --command "title part=id"            sends the command, as a button would
// Ids are numbers or button names such as IDCANCEL.
// Exit code: 0 the program ran to completion, 1 bad usage, 2 a step or the
// program timed out, 3 start failure, 4 a window could not be saved.
#include <windows.h>

#include "uiauto/message_box.h"
#include "uiauto/session.h"
#include "uiauto/window_access.h"
#include "uiauto/window_capture.h"

#include <cstdio>
#include <cwchar>
#include <set>
#include <string>
#include <vector>

namespace {

const int kCompleted = 0;
const int kUsage = 1;
const int kTimeout = 2;
const int kStartFailed = 3;
const int kCaptureFailed = 4;
const DWORD kPollMs = 50;

enum class StepKind { WaitText, Shot, Click, Command };

struct Step {
    StepKind kind;
    std::wstring titlePart;
    std::wstring value;
    std::wstring textPart; // of --wait-text
};

int Usage(const std::wstring& problem)
{
    std::fwprintf(stderr, L"uishot: %ls\n", problem.c_str());
    return kUsage;
}

// Whole seconds from 1 to a day; 0 for anything else.
DWORD ParseSeconds(const std::wstring& text)
{
    wchar_t* end = nullptr;
    unsigned long seconds = std::wcstoul(text.c_str(), &end, 10);
    return !text.empty() && *end == L'\0' && seconds <= 86400 ? seconds : 0;
}

// A visible window of the session, message boxes and dismissed windows
// aside, whose title holds the part; null when none appeared in time.
HWND WaitForDialog(uiauto::Session& session, const std::wstring& titlePart, const std::set<HWND>& dismissed,
                   DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    for (;;) {
        session.Poll();
        for (const uiauto::WindowRecord& record : session.Windows()) {
            if (IsWindowVisible(record.window) && !dismissed.count(record.window) &&
                !uiauto::IsMessageBox(record.window) &&
                uiauto::WindowText(record.window).find(titlePart) != std::wstring::npos)
                return record.window;
        }
        if (GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool RunStep(uiauto::Session& session, const Step& step, std::set<HWND>& dismissed, DWORD timeoutMs)
{
    HWND dialog = WaitForDialog(session, step.titlePart, dismissed, timeoutMs);
    if (!dialog)
        return false;
    switch (step.kind) {
    case StepKind::WaitText: {
        const DWORD start = GetTickCount();
        for (;;) {
            std::wstring text = uiauto::ControlText(dialog, uiauto::ButtonIdByName(step.value));
            if (!text.empty() && text.find(step.textPart) != std::wstring::npos)
                break;
            if (GetTickCount() - start >= timeoutMs)
                return false;
            session.Poll();
            Sleep(kPollMs / 5);
        }
        return true;
    }
    case StepKind::Shot:
        return uiauto::CaptureWindow(dialog, step.value);
    case StepKind::Click: {
        HWND button = uiauto::FindControl(dialog, uiauto::ButtonIdByName(step.value));
        return button && uiauto::PostToWindow(button, BM_CLICK, 0, 0);
    }
    case StepKind::Command:
        dismissed.insert(dialog);
        return uiauto::PostToWindow(dialog, WM_COMMAND, MAKEWPARAM(uiauto::ButtonIdByName(step.value), BN_CLICKED), 0);
    }
    return false;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    DWORD timeoutSeconds = 60;
    uiauto::AnswerRules rules;
    uiauto::LaunchOptions options;
    std::wstring boxPrefix;
    std::vector<Step> steps;
    int i = 1;
    for (; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--")
            break;
        if (i + 1 >= argc)
            return Usage(L"missing value for " + arg);
        std::wstring value = argv[++i];
        size_t equals = value.rfind(L'=');
        std::wstring before = equals == std::wstring::npos ? value : value.substr(0, equals);
        std::wstring after = equals == std::wstring::npos ? std::wstring() : value.substr(equals + 1);
        if (arg == L"--timeout") {
            timeoutSeconds = ParseSeconds(value);
            if (timeoutSeconds == 0)
                return Usage(L"bad timeout " + value);
        } else if (arg == L"--answer" || arg == L"--default") {
            int id = uiauto::ButtonIdByName(arg == L"--default" ? value : after);
            if (id == 0 || (arg == L"--answer" && before.empty()))
                return Usage(L"bad " + arg + L" " + value);
            if (arg == L"--default")
                rules.Otherwise(id);
            else
                rules.WhenTextContains(before, id);
        } else if (arg == L"--boxes") {
            boxPrefix = value;
        } else if (arg == L"--cwd") {
            options.workingFolder = value;
        } else {
            StepKind kind;
            if (arg == L"--wait-text")
                kind = StepKind::WaitText;
            else if (arg == L"--shot")
                kind = StepKind::Shot;
            else if (arg == L"--click")
                kind = StepKind::Click;
            else if (arg == L"--command")
                kind = StepKind::Command;
            else
                return Usage(L"unknown option " + arg);
            std::wstring textPart;
            size_t colon = kind == StepKind::WaitText ? after.find(L':') : std::wstring::npos;
            if (colon != std::wstring::npos) {
                textPart = after.substr(colon + 1);
                after.resize(colon);
            }
            if (before.empty() || after.empty() || (kind != StepKind::Shot && uiauto::ButtonIdByName(after) == 0))
                return Usage(L"bad step " + arg + L" " + value);
            steps.push_back(Step{kind, before, after, textPart});
        }
    }
    if (i + 1 >= argc)
        return Usage(L"no program after --");
    options.program = argv[i + 1];
    for (int j = i + 2; j < argc; ++j)
        options.arguments.append(j > i + 2 ? L" " : L"").append(uiauto::QuoteArgument(argv[j]));

    uiauto::Session session(rules);
    int boxCount = 0;
    bool boxesSaved = true;
    if (!boxPrefix.empty()) {
        session.OnSettled([&](HWND box) {
            boxesSaved = uiauto::CaptureWindow(box, boxPrefix + std::to_wstring(++boxCount) + L".bmp") && boxesSaved;
        });
    }
    if (!session.Start(options)) {
        std::fwprintf(stderr, L"uishot: start failed: error %lu\n", session.StartError());
        return kStartFailed;
    }
    const DWORD timeoutMs = timeoutSeconds * 1000;
    std::set<HWND> dismissed;
    for (const Step& step : steps) {
        if (!RunStep(session, step, dismissed, timeoutMs)) {
            std::fwprintf(stderr, L"uishot: step failed on the window titled \"%ls\"\n", step.titlePart.c_str());
            return kTimeout;
        }
    }
    if (!session.Wait(timeoutMs)) {
        std::fwprintf(stderr, L"uishot: timeout after %lu s\n", timeoutSeconds);
        return kTimeout;
    }
    if (!boxesSaved) {
        std::fwprintf(stderr, L"uishot: a message box could not be saved\n");
        return kCaptureFailed;
    }
    std::wprintf(L"%d message boxes\n", boxCount);
    return kCompleted;
}
