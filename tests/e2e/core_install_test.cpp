// Where the installation runs: a machine-wide installation goes to an
// elevated core instance on Windows 7 and stays in the one process on
// Windows XP; a core started by hand or by a launcher with its window.
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/install_scene.h"
#include "support/program_run.h"
#include "support/wine_version.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <vector>

using e2e::InstallScene;
using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! E2E コア";
const wchar_t kPackageId[] = L"E2ECorePack";
const wchar_t kPackageTitle[] = L"E2E Core Pack";
const UINT kHandBackMessage = WM_APP + 0x65;

// A package of two files with or without a package id.
bool PreparePackage(const InstallScene& scene, const std::wstring& packageId)
{
    e2e::DefinitionContent content;
    content.caption = kCaption;
    content.packageId = packageId;
    content.packageTitle = packageId.empty() ? L"" : kPackageTitle;
    return scene.WriteDefinition(content) && scene.AddPackageFile(L"Materials\\core.txt", "core")
        && scene.AddPackageFile(L"readme.txt", "readme");
}

bool PackageInstalled(const InstallScene& scene)
{
    return e2e::PathExists(scene.InstalledPath(L"Materials\\core.txt"))
        && e2e::PathExists(scene.InstalledPath(L"readme.txt"));
}

void CheckStartQuestion(const MessageBoxRecord& box)
{
    CHECK(box.title == kCaption);
    CHECK(box.text == e2e::StartQuestionText());
    CHECK(box.icon == IconKind::Information);
    CHECK(box.pressed == IDNO);
}

void CheckMachineRecord(const InstallScene& scene)
{
    std::wstring title;
    CHECK(e2e::ReadRegistryString(HKEY_LOCAL_MACHINE, scene.PackageKey(kPackageId), L"", title));
    CHECK(title == kPackageTitle);
    CHECK_FALSE(e2e::RegistryKeyExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId)));
}

// A launcher's window on a thread of its own, which records what the core
// does to it: enabling and disabling, the hand-back message and commands.
class LauncherWindow {
public:
    struct Event {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        bool enabled; // the window's state when the message came
    };

    LauncherWindow()
    {
        ready_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        thread_.Reset(CreateThread(nullptr, 0, ThreadProc, this, 0, nullptr));
        if (thread_)
            WaitForSingleObject(ready_.Get(), 10000);
    }
    ~LauncherWindow()
    {
        if (window_)
            PostMessageW(window_, WM_CLOSE, 0, 0);
        if (thread_)
            WaitForSingleObject(thread_.Get(), 10000);
    }
    LauncherWindow(const LauncherWindow&) = delete;
    LauncherWindow& operator=(const LauncherWindow&) = delete;

    HWND Window() const { return window_; }
    HWND CancelButton() const { return cancelButton_; }
    std::wstring HwndOption() const
    {
        return L"/Hwnd:" + std::to_wstring(static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window_)));
    }
    // Waits until the window has seen at least that many events.
    bool WaitForEvents(size_t count, DWORD timeoutMs) const
    {
        for (DWORD waited = 0; eventCount_.load() < count; waited += 20) {
            if (waited >= timeoutMs)
                return false;
            Sleep(20);
        }
        return true;
    }
    // Read once the core has ended and the events awaited are in; the window
    // thread adds nothing more then.
    const std::vector<Event>& Events() const { return events_; }

private:
    static DWORD WINAPI ThreadProc(void* parameter)
    {
        LauncherWindow& self = *static_cast<LauncherWindow*>(parameter);
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = WindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"E2ELauncherWindow";
        RegisterClassW(&windowClass);
        self.window_ = CreateWindowW(L"E2ELauncherWindow", L"E2E launcher", WS_OVERLAPPEDWINDOW, 60, 60, 300,
                                     200, nullptr, nullptr, windowClass.hInstance, nullptr);
        if (self.window_) {
            SetWindowLongPtrW(self.window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&self));
            self.cancelButton_ = CreateWindowW(L"BUTTON", L"Cancel", WS_CHILD | WS_VISIBLE, 10, 10, 80, 24,
                                               self.window_, reinterpret_cast<HMENU>(IDCANCEL), nullptr, nullptr);
            ShowWindow(self.window_, SW_SHOWNOACTIVATE);
        }
        SetEvent(self.ready_.Get());
        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0)
            DispatchMessageW(&message);
        return 0;
    }

    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        auto* self = reinterpret_cast<LauncherWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && (message == WM_ENABLE || message == WM_COMMAND || message == kHandBackMessage)) {
            self->events_.push_back(Event{message, wParam, lParam, IsWindowEnabled(window) != FALSE});
            ++self->eventCount_;
        }
        if (message == WM_DESTROY) {
            PostQuitMessage(0);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    uiauto::ScopedHandle ready_;
    uiauto::ScopedHandle thread_;
    HWND window_ = nullptr;
    HWND cancelButton_ = nullptr;
    std::vector<Event> events_;
    std::atomic<size_t> eventCount_{0};
};

std::string DescribeEvents(const std::vector<LauncherWindow::Event>& events)
{
    std::string text;
    for (const LauncherWindow::Event& event : events)
        text += "message " + std::to_string(event.message) + " wParam " + std::to_string(event.wParam)
            + (event.enabled ? " enabled\n" : " disabled\n");
    return text;
}

// Where the installation runs does not depend on the language, and the texts
// that these cases show are checked in both languages by the install
// sequence's tests: the Japanese run skips them.
bool SkippedInJapaneseRun()
{
    return e2e::JapaneseRun();
}

} // namespace

TEST_CASE("a machine-wide installation on Windows 7 runs in the core that the interface instance starts")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"machine7");
    REQUIRE(scene.Ready());
    REQUIRE(PreparePackage(scene, kPackageId));
    REQUIRE(scene.PrepareInstallation());
    // A trailing backslash and blanks reach the core unchanged.
    std::wstring folder = scene.InstallFolder() + L"\\";
    REQUIRE(scene.Product().SetInstallPath(HKEY_LOCAL_MACHINE, folder));

    std::wstring coreCommandLine;
    bool interfaceEnded = false;
    uiauto::AnswerRules rules;
    rules.Use([&](const MessageBoxRecord& box) {
        // Read while the core is still there to be read.
        coreCommandLine = e2e::ProcessCommandLine(box.processId);
        return IDNO;
    });
    uiauto::Session session(rules);
    session.OnAnswered([&](const MessageBoxRecord&) {
        for (const uiauto::ProcessRecord& process : session.Processes()) {
            if (process.depth == 0)
                interfaceEnded = process.ended;
        }
    });
    uiauto::LaunchOptions options;
    options.program = scene.Program();
    options.workingFolder = scene.SetupFolder();
    REQUIRE(session.Start(options));
    CHECK(session.Wait(e2e::kProgramTimeoutMs));

    INFO(e2e::Describe(session.MessageBoxes()));
    std::vector<uiauto::ProcessRecord> processes = session.Processes();
    REQUIRE(processes.size() == 2);
    CHECK(processes[0].exitCode == 0u);
    CHECK(processes[1].name == L"packsetup.exe");
    CHECK(processes[1].exitCode == 0u);
    REQUIRE(session.MessageBoxes().size() == 1);
    CheckStartQuestion(session.MessageBoxes()[0]);
    CHECK(session.MessageBoxes()[0].depth == 1u);
    CHECK(interfaceEnded);

    std::wstring expectedEnd = L" /Hwnd:0 /CurrentUser:0 \"/CoreExec:" + folder + L"\"";
    INFO("core command line: " << e2e::ToUtf8(coreCommandLine));
    REQUIRE(coreCommandLine.size() > expectedEnd.size());
    CHECK(coreCommandLine.compare(coreCommandLine.size() - expectedEnd.size(), expectedEnd.size(), expectedEnd)
          == 0);
    CHECK(PackageInstalled(scene));
    CheckMachineRecord(scene);
}

TEST_CASE("a machine-wide installation on Windows XP runs in the interface instance")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"machinexp");
    REQUIRE(scene.Ready());
    REQUIRE(PreparePackage(scene, kPackageId));
    REQUIRE(scene.PrepareInstallation());
    REQUIRE(scene.Product().SetInstallPath(HKEY_LOCAL_MACHINE, scene.InstallFolder()));
    e2e::WineWindowsVersion windowsXp(L"packsetup.exe", L"winxp");
    REQUIRE(windowsXp.Applied());

    RunResult run = scene.Run(L"", uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    CHECK(run.processes.size() == 1);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckStartQuestion(run.messageBoxes[0]);
    CHECK(PackageInstalled(scene));
    CheckMachineRecord(scene);
}

TEST_CASE("a core started by hand without a window installs for all users")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"byhand");
    REQUIRE(scene.Ready());
    // Without a package id only the product key's "UpdateTime" goes.
    REQUIRE(PreparePackage(scene, L""));
    REQUIRE(scene.PrepareInstallation());
    REQUIRE(scene.Product().SetInstallPath(HKEY_LOCAL_MACHINE, scene.InstallFolder()));
    REQUIRE(e2e::WriteRegistryString(HKEY_LOCAL_MACHINE, scene.Product().Path(), L"UpdateTime", L"machine"));
    REQUIRE(e2e::WriteRegistryString(HKEY_CURRENT_USER, scene.Product().Path(), L"UpdateTime", L"user"));

    RunResult run = scene.Run(L"/CurrentUser:1 \"/CoreExec:" + scene.InstallFolder() + L"\"",
                              uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckStartQuestion(run.messageBoxes[0]);
    CHECK(PackageInstalled(scene));
    CHECK_FALSE(e2e::RegistryValueExists(HKEY_LOCAL_MACHINE, scene.Product().Path(), L"UpdateTime"));
    CHECK(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.Product().Path(), L"UpdateTime"));
    CHECK_FALSE(e2e::RegistryKeyExists(HKEY_LOCAL_MACHINE, scene.Product().Path() + L"\\Package"));
    CHECK_FALSE(e2e::RegistryKeyExists(HKEY_CURRENT_USER, scene.Product().Path() + L"\\Package"));
}

TEST_CASE("a core started by hand installs only into the installation that the machine's registry names")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"otherfolder");
    REQUIRE(scene.Ready());
    REQUIRE(PreparePackage(scene, kPackageId));
    REQUIRE(scene.PrepareInstallation());
    REQUIRE(scene.Product().SetInstallPath(HKEY_LOCAL_MACHINE, scene.InstallFolder()));

    SUBCASE("another folder: nothing is copied there and nothing recorded")
    {
        e2e::ScratchFolder other(L"core-other-folder");
        REQUIRE(other.Ready());
        RunResult run = scene.Run(L"/Hwnd:0 /CurrentUser:0 \"/CoreExec:" + other.Path() + L"\"", uiauto::AnswerRules());
        INFO(e2e::Describe(run));
        CHECK_FALSE(run.timedOut);
        CHECK(run.exitCode == 0u);
        REQUIRE(run.messageBoxes.size() == 1);
        CHECK(run.messageBoxes[0].text
              == e2e::Localized(L"Failed to start the installation process.", L"インストール プロセスの起動に失敗しました。"));
        CHECK(run.messageBoxes[0].icon == IconKind::Error);
        CHECK_FALSE(e2e::PathExists(other.PathOf(L"readme.txt")));
        CHECK_FALSE(PackageInstalled(scene));
        CHECK_FALSE(e2e::RegistryKeyExists(HKEY_LOCAL_MACHINE, scene.PackageKey(kPackageId)));
    }
    SUBCASE("the registered folder by its short name: the same folder, installed")
    {
        wchar_t alias[MAX_PATH] = L"";
        REQUIRE(GetShortPathNameW(scene.InstallFolder().c_str(), alias, MAX_PATH) > 0);
        REQUIRE(std::wstring(alias) != scene.InstallFolder());
        RunResult run = scene.Run(L"/Hwnd:0 /CurrentUser:0 /CoreExec:" + std::wstring(alias),
                                  uiauto::AnswerRules().Otherwise(IDNO));
        INFO(e2e::Describe(run));
        REQUIRE(run.messageBoxes.size() == 1);
        CheckStartQuestion(run.messageBoxes[0]);
        CHECK(PackageInstalled(scene));
        CheckMachineRecord(scene);
    }
}

TEST_CASE("a core with a launcher's window and CurrentUser 1 hands the installation back")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"handback");
    REQUIRE(scene.Ready());
    REQUIRE(PreparePackage(scene, kPackageId));
    REQUIRE(scene.PrepareInstallation());
    LauncherWindow launcher;
    REQUIRE(launcher.Window() != nullptr);

    RunResult run = scene.Run(launcher.HwndOption() + L" /CurrentUser:1 \"/CoreExec:" + scene.InstallFolder() + L"\"",
                              uiauto::AnswerRules());
    INFO(e2e::Describe(run));
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    CHECK(run.messageBoxes.empty());
    // Posted, so it may arrive after the core has ended.
    CHECK(launcher.WaitForEvents(1, 5000));
    INFO(DescribeEvents(launcher.Events()));
    REQUIRE(launcher.Events().size() == 1);
    CHECK(launcher.Events()[0].message == kHandBackMessage);
    CHECK(launcher.Events()[0].wParam == 0u);
    CHECK(launcher.Events()[0].lParam == 0);
    CHECK_FALSE(PackageInstalled(scene));
    CHECK_FALSE(e2e::RegistryKeyExists(HKEY_LOCAL_MACHINE, scene.PackageKey(kPackageId)));
}

TEST_CASE("a core with a launcher's window and CurrentUser 0 installs and tells the window when done")
{
    if (SkippedInJapaneseRun())
        return;
    InstallScene scene(L"launcher");
    REQUIRE(scene.Ready());
    REQUIRE(PreparePackage(scene, kPackageId));
    REQUIRE(scene.PrepareInstallation());
    REQUIRE(scene.Product().SetInstallPath(HKEY_LOCAL_MACHINE, scene.InstallFolder()));
    LauncherWindow launcher;
    REQUIRE(launcher.Window() != nullptr);

    bool succeeds = true;
    SUBCASE("after a successful installation") {}
    SUBCASE("after a failed one")
    {
        succeeds = false;
        REQUIRE(e2e::RemoveFolderTree(scene.SetupFolder() + L"\\image"));
    }
    RunResult run = scene.Run(launcher.HwndOption() + L" /CurrentUser:0 \"/CoreExec:" + scene.InstallFolder() + L"\"",
                              uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    if (succeeds) {
        REQUIRE(run.messageBoxes.size() == 1);
        CheckStartQuestion(run.messageBoxes[0]);
        CHECK(PackageInstalled(scene));
        CheckMachineRecord(scene);
    } else {
        REQUIRE(run.messageBoxes.size() == 2);
        CHECK(run.messageBoxes[0].text == e2e::PackageMissingText());
        CHECK(run.messageBoxes[1].text == e2e::CancelledText());
        CHECK_FALSE(PackageInstalled(scene));
    }

    // The core sent the command before it ended, so every event is in.
    const std::vector<LauncherWindow::Event>& events = launcher.Events();
    INFO(DescribeEvents(events));
    REQUIRE(events.size() >= 3);
    // Disabled while the progress dialog is up, enabled again before the command.
    CHECK(events.front().message == WM_ENABLE);
    CHECK(events.front().wParam == FALSE);
    const LauncherWindow::Event& last = events.back();
    CHECK(last.message == WM_COMMAND);
    CHECK(last.wParam == IDCANCEL);
    CHECK(reinterpret_cast<HWND>(last.lParam) == launcher.CancelButton());
    CHECK(last.enabled);
    int commands = 0;
    for (const LauncherWindow::Event& event : events)
        commands += event.message == WM_COMMAND ? 1 : 0;
    CHECK(commands == 1);
    CHECK(IsWindowEnabled(launcher.Window()));
}
