#pragma once

#include <windows.h>

#include "uiauto/answer_rules.h"
#include "uiauto/launch.h"
#include "uiauto/message_box.h"
#include "uiauto/process_tree.h"

#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace uiauto {

// A visible top-level window of a tracked process that is not a message box,
// as it was when first seen.
struct WindowRecord {
    HWND window = nullptr;
    DWORD processId = 0;
    unsigned depth = 0;
    std::wstring className;
    std::wstring title;
};

// Empty fields match anything.
struct WindowQuery {
    std::wstring className;
    std::wstring titlePart;
};

enum class WaitScope {
    StartedProcess, // until the started process has ended
    WholeTree,      // until it and every process descended from it have ended
};

// Exit code given to the processes that a timeout terminates.
const UINT kTerminatedExitCode = 0xE2E0DEAD;

// One run of a program under observation: starts it, follows its process
// tree, records its windows and answers its message boxes, each exactly once.
// Whatever still runs when the session is destroyed is terminated.
class Session {
public:
    explicit Session(AnswerRules rules = AnswerRules());
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    bool Start(const LaunchOptions& options);
    DWORD StartError() const { return startError_; }

    // Called after each answered message box.
    void OnAnswered(std::function<void(const MessageBoxRecord&)> observer);
    // Called with each message box once it has settled, before it is read
    // and answered, while it is still on the screen.
    void OnSettled(std::function<void(HWND)> observer);

    // One observation round; Wait and WaitForWindow call it every 50 ms.
    void Poll();

    // True when the scope ended in time. On timeout every tracked process
    // is terminated and TimedOut reports it.
    bool Wait(DWORD timeoutMs, WaitScope scope = WaitScope::WholeTree);

    // Observes (answering message boxes) until a visible top-level window of
    // a tracked process matches; null on timeout or when all have ended.
    HWND WaitForWindow(const WindowQuery& query, DWORD timeoutMs);

    bool TimedOut() const { return timedOut_; }
    // The started process's exit code; STILL_ACTIVE while it runs.
    DWORD ExitCode() const;
    const std::vector<MessageBoxRecord>& MessageBoxes() const { return messageBoxes_; }
    const std::vector<WindowRecord>& Windows() const { return windows_; }
    std::vector<ProcessRecord> Processes() const { return tree_.Records(); }

private:
    void AnswerMessageBox(HWND window, const ProcessRecord& owner);
    bool Running(WaitScope scope) const;

    AnswerRules rules_;
    std::function<void(const MessageBoxRecord&)> observer_;
    std::function<void(HWND)> settledObserver_;
    ProcessTree tree_;
    bool started_ = false;
    DWORD startError_ = ERROR_SUCCESS;
    bool timedOut_ = false;
    std::set<HWND> handled_;             // recorded windows that are still visible
    std::map<HWND, DWORD> boxFirstSeen_; // message boxes waiting to settle
    std::vector<MessageBoxRecord> messageBoxes_;
    std::vector<WindowRecord> windows_;
};

struct RunResult {
    bool started = false;
    DWORD startError = ERROR_SUCCESS;
    bool timedOut = false;
    DWORD exitCode = 0;
    std::vector<MessageBoxRecord> messageBoxes;
    std::vector<WindowRecord> windows;
    std::vector<ProcessRecord> processes;
};

// Starts a program and observes it until the scope has ended or the timeout.
RunResult Run(const LaunchOptions& options, const AnswerRules& rules, DWORD timeoutMs,
              WaitScope scope = WaitScope::WholeTree);

bool Matches(const WindowQuery& query, HWND window);

} // namespace uiauto
