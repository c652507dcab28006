#include "uiauto/session.h"

#include "uiauto/window_access.h"

namespace uiauto {

namespace {

const DWORD kPollIntervalMs = 50;
// A message box is read only after it has been visible this long, so that
// it has been painted (its icon is read from the screen).
const DWORD kSettleMs = 150;

std::wstring FileNameOf(const std::wstring& path)
{
    size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

} // namespace

Session::Session(AnswerRules rules) : rules_(std::move(rules)) {}

Session::~Session()
{
    tree_.TerminateAll(kTerminatedExitCode);
}

bool Session::Start(const LaunchOptions& options)
{
    if (started_)
        return false;
    StartedProcess process = StartProgram(options);
    if (!process.process) {
        startError_ = process.error;
        return false;
    }
    tree_.SetRoot(std::move(process.process), process.processId, FileNameOf(options.program));
    started_ = true;
    return true;
}

void Session::OnAnswered(std::function<void(const MessageBoxRecord&)> observer)
{
    observer_ = std::move(observer);
}

void Session::OnSettled(std::function<void(HWND)> observer)
{
    settledObserver_ = std::move(observer);
}

void Session::Poll()
{
    if (!started_)
        return;
    tree_.Refresh();
    const DWORD now = GetTickCount();
    std::set<HWND> visible;
    for (HWND window : VisibleTopLevelWindows()) {
        const ProcessRecord* owner = tree_.Find(WindowProcessId(window));
        if (!owner)
            continue;
        visible.insert(window);
        if (handled_.count(window))
            continue;
        if (!IsMessageBox(window)) {
            windows_.push_back(
                WindowRecord{window, owner->processId, owner->depth, WindowClassName(window), WindowText(window)});
            handled_.insert(window);
            continue;
        }
        DWORD firstSeen = boxFirstSeen_.emplace(window, now).first->second;
        if (now - firstSeen < kSettleMs)
            continue;
        if (settledObserver_)
            settledObserver_(window);
        AnswerMessageBox(window, *owner);
        handled_.insert(window);
    }
    // Forget windows that have gone, so that a reused handle counts as new.
    for (auto it = handled_.begin(); it != handled_.end();)
        it = visible.count(*it) ? std::next(it) : handled_.erase(it);
    for (auto it = boxFirstSeen_.begin(); it != boxFirstSeen_.end();)
        it = visible.count(it->first) && !handled_.count(it->first) ? std::next(it) : boxFirstSeen_.erase(it);
}

void Session::AnswerMessageBox(HWND window, const ProcessRecord& owner)
{
    MessageBoxRecord box = ReadMessageBox(window);
    box.processId = owner.processId;
    box.processName = owner.name;
    box.depth = owner.depth;
    box.requested = rules_.Choose(box);

    // A rule that names a missing button still lets the program go on with
    // the default button; the record shows the difference.
    int target = box.requested;
    if (!HasButton(box, target))
        target = box.defaultButton;
    if (!HasButton(box, target) && !box.buttons.empty())
        target = box.buttons.front().id;
    box.pressed = PressButton(window, target) ? target : 0;

    messageBoxes_.push_back(box);
    if (observer_)
        observer_(messageBoxes_.back());
}

bool Session::Running(WaitScope scope) const
{
    return scope == WaitScope::StartedProcess ? tree_.RootRunning() : tree_.AnyRunning();
}

bool Session::Wait(DWORD timeoutMs, WaitScope scope)
{
    if (!started_)
        return false;
    const DWORD start = GetTickCount();
    for (;;) {
        Poll();
        if (!Running(scope))
            return true;
        if (GetTickCount() - start >= timeoutMs)
            break;
        Sleep(kPollIntervalMs);
    }
    tree_.TerminateAll(kTerminatedExitCode);
    timedOut_ = true;
    return false;
}

HWND Session::WaitForWindow(const WindowQuery& query, DWORD timeoutMs)
{
    if (!started_)
        return nullptr;
    const DWORD start = GetTickCount();
    for (;;) {
        // Only a window that Poll has recorded is returned, so that Windows()
        // lists it even when the program ends right after.
        Poll();
        for (const WindowRecord& record : windows_) {
            if (IsWindowVisible(record.window) && Matches(query, record.window))
                return record.window;
        }
        if (!tree_.AnyRunning() || GetTickCount() - start >= timeoutMs)
            return nullptr;
        Sleep(kPollIntervalMs);
    }
}

DWORD Session::ExitCode() const
{
    for (const ProcessRecord& process : tree_.Records()) {
        if (process.depth == 0)
            return process.ended ? process.exitCode : STILL_ACTIVE;
    }
    return STILL_ACTIVE;
}

bool Matches(const WindowQuery& query, HWND window)
{
    if (!query.className.empty() && WindowClassName(window) != query.className)
        return false;
    return query.titlePart.empty() || WindowText(window).find(query.titlePart) != std::wstring::npos;
}

RunResult Run(const LaunchOptions& options, const AnswerRules& rules, DWORD timeoutMs, WaitScope scope)
{
    RunResult result;
    Session session(rules);
    result.started = session.Start(options);
    result.startError = session.StartError();
    if (!result.started)
        return result;
    session.Wait(timeoutMs, scope);
    result.timedOut = session.TimedOut();
    result.exitCode = session.ExitCode();
    result.messageBoxes = session.MessageBoxes();
    result.windows = session.Windows();
    result.processes = session.Processes();
    return result;
}

} // namespace uiauto
