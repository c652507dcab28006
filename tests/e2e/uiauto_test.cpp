// Self-test of the automation library against a fixture program whose
// message boxes, windows and exit codes are known.
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/install_scene.h"
#include "support/program_run.h"
#include "support/registry_scratch.h"
#include "support/scratch_folder.h"
#include "support/wine_version.h"
#include "uiauto/session.h"
#include "uiauto/window_access.h"
#include "uiauto/window_capture.h"

#include <windows.h>

#include <cstring>

using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

std::wstring FixtureCopy(const e2e::ScratchFolder& folder, const std::wstring& name = std::wstring())
{
    return folder.CopyProgram(e2e::AutomationFixturePath(), name);
}

std::vector<int> ButtonIds(const MessageBoxRecord& box)
{
    std::vector<int> ids;
    for (const uiauto::Button& button : box.buttons)
        ids.push_back(button.id);
    return ids;
}

} // namespace

TEST_CASE("a message box is recorded with title, text, buttons and icon and answered by a text rule")
{
    e2e::ScratchFolder folder(L"uiauto-record");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    RunResult run = e2e::RunProgram(fixture, L"box 35 \"Fixture title\" \"Question line\\nsecond line\"",
                                    uiauto::AnswerRules().WhenTextContains(L"second line", IDNO).Otherwise(IDCANCEL));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == IDNO);
    REQUIRE(run.messageBoxes.size() == 1);
    const MessageBoxRecord& box = run.messageBoxes[0];
    CHECK(box.title == L"Fixture title");
    CHECK(box.text == L"Question line\nsecond line");
    CHECK(ButtonIds(box) == std::vector<int>{IDYES, IDNO, IDCANCEL});
    CHECK(box.buttons[0].text == e2e::Localized(L"&Yes", L"はい(&Y)"));
    CHECK(box.buttons[1].text == e2e::Localized(L"&No", L"いいえ(&N)"));
    CHECK(box.defaultButton == IDYES);
    CHECK(box.icon == IconKind::Question);
    CHECK(box.requested == IDNO);
    CHECK(box.pressed == IDNO);
    CHECK(box.depth == 0);
    CHECK(box.processName == L"uiauto_fixture.exe");
}

TEST_CASE("the icon of a message box is told apart")
{
    e2e::ScratchFolder folder(L"uiauto-icons");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    struct Expectation {
        UINT flags;
        IconKind icon;
    };
    const Expectation expectations[] = {{MB_OK | MB_ICONERROR, IconKind::Error},
                                        {MB_OK | MB_ICONWARNING, IconKind::Warning},
                                        {MB_OK | MB_ICONINFORMATION, IconKind::Information},
                                        {MB_OK | MB_ICONQUESTION, IconKind::Question},
                                        {MB_OK, IconKind::None}};
    for (const Expectation& expected : expectations) {
        CAPTURE(expected.flags);
        RunResult run = e2e::RunProgram(fixture, L"box " + std::to_wstring(expected.flags) + L" Icon \"Which icon?\"");
        REQUIRE(run.messageBoxes.size() == 1);
        CHECK(run.messageBoxes[0].icon == expected.icon);
        CHECK(run.exitCode == IDOK);
    }
}

TEST_CASE("answer rules apply in order, with the default answer last, one answer per box")
{
    e2e::ScratchFolder folder(L"uiauto-rules");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    SUBCASE("without rules each box gets its default button")
    {
        RunResult run = e2e::RunProgram(fixture, L"two");
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == IDYES * 100 + IDOK);
        REQUIRE(run.messageBoxes.size() == 2);
        CHECK(run.messageBoxes[0].requested == 0);
        CHECK(run.messageBoxes[0].pressed == IDYES);
        CHECK(run.messageBoxes[1].pressed == IDOK);
    }
    SUBCASE("title rule, text rule and callback")
    {
        int callbackCalls = 0;
        uiauto::AnswerRules rules;
        rules.WhenTitleContains(L"First", IDNO)
            .Use([&callbackCalls](const MessageBoxRecord& box) {
                ++callbackCalls;
                return box.title == L"Second" ? IDCANCEL : 0;
            })
            .WhenTextContains(L"Line two", IDOK);
        RunResult run = e2e::RunProgram(fixture, L"two", rules);
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == IDNO * 100 + IDCANCEL);
        REQUIRE(run.messageBoxes.size() == 2);
        CHECK(run.messageBoxes[0].title == L"First");
        CHECK(run.messageBoxes[0].icon == IconKind::Question);
        CHECK(run.messageBoxes[1].title == L"Second");
        CHECK(run.messageBoxes[1].text == L"Line one\nLine two");
        CHECK(run.messageBoxes[1].icon == IconKind::Warning);
        CHECK(callbackCalls == 1); // the first box was settled by the title rule
    }
    SUBCASE("a rule naming a missing button falls back to the default button and says so")
    {
        RunResult run = e2e::RunProgram(fixture, L"two", uiauto::AnswerRules().Otherwise(IDNO));
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == IDNO * 100 + IDOK);
        REQUIRE(run.messageBoxes.size() == 2);
        CHECK(run.messageBoxes[1].requested == IDNO);
        CHECK(run.messageBoxes[1].pressed == IDOK);
    }
}

TEST_CASE("exit codes are reported as unsigned process exit codes")
{
    e2e::ScratchFolder folder(L"uiauto-exit");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    RunResult minusOne = e2e::RunProgram(fixture, L"exit -1");
    CHECK_FALSE(minusOne.timedOut);
    CHECK(minusOne.exitCode == 0xFFFFFFFFu);
    CHECK(minusOne.messageBoxes.empty());

    RunResult three = e2e::RunProgram(fixture, L"exit 3");
    CHECK(three.exitCode == 3u);
}

TEST_CASE("the program starts in the given folder with the extra environment variables")
{
    e2e::ScratchFolder folder(L"uiauto-launch");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    uiauto::LaunchOptions options;
    options.program = fixture;
    options.arguments = L"whereami E2E_PROBE";
    options.workingFolder = folder.Path();
    options.environment = {{L"E2E_PROBE", L"probe value"}};
    RunResult run = uiauto::Run(options, uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
    REQUIRE(run.messageBoxes.size() == 1);
    CHECK(run.messageBoxes[0].text == folder.Path() + L"|probe value");
}

TEST_CASE("a program that cannot be started is reported")
{
    e2e::ScratchFolder folder(L"uiauto-missing");
    REQUIRE(folder.Ready());
    RunResult run = e2e::RunProgram(folder.PathOf(L"missing.exe"), L"");
    CHECK_FALSE(run.started);
    CHECK(run.startError == ERROR_FILE_NOT_FOUND);
}

TEST_CASE("message boxes of a copy started through the shell's runas verb are seen and answered")
{
    e2e::ScratchFolder folder(L"uiauto-elevate");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    RunResult run = e2e::RunProgram(fixture, L"elevate box 17 Elevated \"From the elevated copy\"",
                                    uiauto::AnswerRules().WhenTitleContains(L"Elevated", IDOK));
    INFO(e2e::Describe(run));
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CHECK(run.messageBoxes[0].text == L"From the elevated copy");
    CHECK(run.messageBoxes[0].depth == 1);
    CHECK(run.messageBoxes[0].processName == L"uiauto_fixture.exe");
    CHECK(run.messageBoxes[0].icon == IconKind::Error);
    REQUIRE(run.processes.size() == 2);
    CHECK(run.processes[1].parentId == run.processes[0].processId);
    CHECK(run.processes[1].ended);
    CHECK(run.processes[1].exitCode == static_cast<DWORD>(IDOK));
}

TEST_CASE("a timeout terminates the started process and its descendants")
{
    e2e::ScratchFolder folder(L"uiauto-timeout");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    SUBCASE("the started process hangs")
    {
        RunResult run = e2e::RunProgram(fixture, L"hang", uiauto::AnswerRules(), 1500);
        CHECK(run.timedOut);
        CHECK(run.exitCode == uiauto::kTerminatedExitCode);
    }
    SUBCASE("a descendant hangs after the started process has ended")
    {
        RunResult run = e2e::RunProgram(fixture, L"elevate hang", uiauto::AnswerRules(), 3000);
        CHECK(run.timedOut);
        CHECK(run.exitCode == 0u);
        REQUIRE(run.processes.size() == 2);
        CHECK(run.processes[1].ended);
        CHECK(run.processes[1].exitCode == uiauto::kTerminatedExitCode);
    }
}

TEST_CASE("a window can be awaited, read and driven")
{
    e2e::ScratchFolder folder(L"uiauto-window");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    uiauto::LaunchOptions options;
    options.program = fixture;
    options.arguments = L"window E2EFixtureWindow \"Fixture window\"";
    uiauto::Session session;
    REQUIRE(session.Start(options));
    HWND window = session.WaitForWindow(uiauto::WindowQuery{L"E2EFixtureWindow", L"Fixture"}, 10000);
    REQUIRE(window != nullptr);
    CHECK(uiauto::ControlText(window, 1001) == L"Press me");
    CHECK(uiauto::ControlText(window, 1002).empty());

    SUBCASE("pressing its button")
    {
        REQUIRE(uiauto::PressButton(window, 1001));
        REQUIRE(session.Wait(e2e::kProgramTimeoutMs));
        CHECK(session.ExitCode() == 42u);
    }
    SUBCASE("posting WM_CLOSE")
    {
        REQUIRE(uiauto::PostToWindow(window, WM_CLOSE, 0, 0));
        REQUIRE(session.Wait(e2e::kProgramTimeoutMs));
        CHECK(session.ExitCode() == 7u);
    }
    SUBCASE("saving it as the screen shows it")
    {
        std::wstring bmp = folder.PathOf(L"window.bmp");
        REQUIRE(uiauto::CaptureWindow(window, bmp));
        std::string bytes = e2e::ReadFileBytes(bmp);
        RECT area = {};
        REQUIRE(GetWindowRect(window, &area));
        REQUIRE(bytes.size() > sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER));
        BITMAPINFOHEADER header;
        memcpy(&header, bytes.data() + sizeof(BITMAPFILEHEADER), sizeof(header));
        CHECK(header.biWidth == area.right - area.left);
        CHECK(-header.biHeight == area.bottom - area.top);
        CHECK(bytes.size() == sizeof(BITMAPFILEHEADER) + sizeof(header) + 4u * header.biWidth * -header.biHeight);
        // The button's text and frame: not one flat colour.
        const char* pixels = bytes.data() + sizeof(BITMAPFILEHEADER) + sizeof(header);
        bool varied = false;
        for (size_t i = 4; i < bytes.size() - sizeof(BITMAPFILEHEADER) - sizeof(header) && !varied; i += 4)
            varied = memcmp(pixels, pixels + i, 3) != 0;
        CHECK(varied);
        REQUIRE(uiauto::PostToWindow(window, WM_CLOSE, 0, 0));
        REQUIRE(session.Wait(e2e::kProgramTimeoutMs));
    }
    REQUIRE(session.Windows().size() == 1);
    CHECK(session.Windows()[0].className == L"E2EFixtureWindow");
    CHECK(session.Windows()[0].title == L"Fixture window");
}

TEST_CASE("string resources come in the language of the run")
{
    e2e::ScratchFolder folder(L"uiauto-language");
    REQUIRE(folder.Ready());
    std::wstring fixture = FixtureCopy(folder);
    REQUIRE(!fixture.empty());

    RunResult run = e2e::RunProgram(fixture, L"resource");
    REQUIRE(run.messageBoxes.size() == 1);
    CHECK(run.messageBoxes[0].text == e2e::Localized(L"Hello from the fixture.", L"フィクスチャからこんにちは。"));
    CHECK(run.messageBoxes[0].icon == IconKind::Information);
}

TEST_CASE("Wine reports the Windows version chosen for one program only while the setting lives")
{
    e2e::ScratchFolder folder(L"uiauto-version");
    REQUIRE(folder.Ready());
    std::wstring probe = FixtureCopy(folder, L"e2e_version_probe.exe");
    REQUIRE(!probe.empty());

    {
        e2e::WineWindowsVersion xp(L"e2e_version_probe.exe", L"winxp");
        REQUIRE(xp.Applied());
        CHECK(e2e::RunProgram(probe, L"version").exitCode == 501u);
    }
    {
        e2e::WineWindowsVersion vista(L"e2e_version_probe.exe", L"vista");
        REQUIRE(vista.Applied());
        CHECK(e2e::RunProgram(probe, L"version").exitCode == 600u);
    }
    std::wstring value;
    CHECK_FALSE(e2e::ReadUserString(L"Software\\Wine\\AppDefaults\\e2e_version_probe.exe", L"Version", value));
}

TEST_CASE("a scratch registry key starts empty and is removed afterwards")
{
    const std::wstring path = L"Software\\Halvest\\E2EScratch";
    {
        // What an aborted earlier run could have left behind.
        uiauto::ScopedRegKey stale;
        REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, (path + L"\\Sub").c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                stale.Receive(), nullptr) == ERROR_SUCCESS);
        REQUIRE(RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                stale.Receive(), nullptr) == ERROR_SUCCESS);
        const wchar_t old[] = L"old";
        REQUIRE(RegSetValueExW(stale.Get(), L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(old),
                               sizeof(old)) == ERROR_SUCCESS);
    }
    std::wstring value;
    {
        e2e::ScratchRegistryKey key(L"E2EScratch");
        REQUIRE(key.Ready());
        CHECK(key.Path() == path);
        CHECK_FALSE(e2e::ReadUserString(path, L"InstallPath", value));
        REQUIRE(key.SetString(L"InstallPath", L"C:\\Tavrel"));
        REQUIRE(key.SetDword(L"Number", 5));
        REQUIRE(e2e::ReadUserString(path, L"InstallPath", value));
        CHECK(value == L"C:\\Tavrel");
    }
    uiauto::ScopedRegKey gone;
    CHECK(RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, gone.Receive()) == ERROR_FILE_NOT_FOUND);
}
