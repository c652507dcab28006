// The core instance's prerequisite setups seen from the user's side: the
// questions after a failed or restart-needing setup and how the core ends,
// with stand-ins for the .NET Framework 3 setup and dsetup.dll.
#include "support/definition_file.h"
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"

#include <windows.h>

#include <string>
#include <vector>

using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! Prereq パッケージ";

// <build>\tests\<relative>, from e2e_tests.exe in <build>\tests\e2e.
std::wstring TestsPath(const std::wstring& relative)
{
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path(own, length);
    path = e2e::FolderOf(e2e::FolderOf(path));
    return path + L"\\" + relative;
}

std::wstring DotnetFailed()
{
    return e2e::Localized(L"Failed to install .NET Framework 3.\n\nReason:\n",
                          L".NET Framework 3のインストールを行うことができませんでした。\n\n原因：\n");
}

std::wstring DotnetContinue()
{
    return e2e::Localized(
        L"\n\nYou can continue to install Tavrel! if you install .NET Framework later.\nWould you like to continue installation?",
        L"\n\n.NET Frameworkを後でインストールする場合は、Tavrel! のインストールを続行することができます。Tavrel! のインストールを続行しますか？");
}

std::wstring DirectXFailed()
{
    return e2e::Localized(L"Could not install DirectX.\n\nReason:\n",
                          L"DirectXのインストールを行うことができませんでした。\n\n原因：\n");
}

std::wstring DirectXContinue()
{
    return e2e::Localized(
        L"\n\nYou can continue to install Tavrel! if you install DirectX later.\nWould you like to continue installation?",
        L"\n\nDirectXを後でインストールする場合は、Tavrel! のインストールを続行することができます。Tavrel! のインストールを続行しますか？");
}

std::wstring RestartQuestion()
{
    return e2e::Localized(
        L"To complete installation DirectX, you need to restart Windows.  \nDo you want to restart Windows right now?",
        L"DirectXのインストールを完了するため、Windowsを再起動する必要があります。\n今すぐWindowsを再起動しますか？");
}

// The core with its definition, "dotnet" and "directx" in a fresh folder.
struct Core {
    explicit Core(const std::wstring& scratchName, const std::wstring& program = e2e::PackSetupPath())
        : folder(scratchName), path(folder.CopyProgram(program, L"packsetup.exe"))
    {
        REQUIRE(folder.Ready());
        REQUIRE(!path.empty());
        REQUIRE(e2e::WriteDefinition(path, e2e::ValidDefinitionXml(kCaption)));
        REQUIRE(CreateDirectoryW(folder.PathOf(L"dotnet").c_str(), nullptr));
        REQUIRE(CreateDirectoryW(folder.PathOf(L"directx").c_str(), nullptr));
    }

    void AddDotnetSetup(const std::string& script)
    {
        REQUIRE(!folder.CopyProgram(TestsPath(L"fixtures\\dotnetfx3_standin\\dotnetfx3.exe"), L"dotnet\\dotnetfx3.exe")
                     .empty());
        REQUIRE(e2e::WriteFileBytes(folder.PathOf(L"dotnet\\dotnetfx3-script.txt"), script));
    }
    void AddDirectXSetup(const std::string& script)
    {
        REQUIRE(!folder.CopyProgram(TestsPath(L"fixtures\\dsetup_standin\\dsetup.dll"), L"directx\\dsetup.dll")
                     .empty());
        for (const wchar_t* helper : {L"dsetup_helper.dll", L"dsetup_helper_late.dll"})
            REQUIRE(!folder.CopyProgram(TestsPath(std::wstring(L"fixtures\\dsetup_standin\\") + helper),
                                        std::wstring(L"directx\\") + helper)
                         .empty());
        REQUIRE(e2e::WriteFileBytes(folder.PathOf(L"directx\\dsetup-script.txt"), script));
    }

    RunResult Run(const std::wstring& options, const uiauto::AnswerRules& rules)
    {
        return e2e::RunProgram(path, L"\"/CoreExec:" + folder.Path() + L"\" /CurrentUser:1 " + options, rules);
    }

    e2e::ScratchFolder folder;
    std::wstring path;
};

void CheckQuestion(const MessageBoxRecord& box, const std::wstring& text)
{
    CHECK(box.title == kCaption);
    CHECK(box.text == text);
    CHECK(box.icon == IconKind::Warning);
    REQUIRE(box.buttons.size() == 2);
    CHECK(box.buttons[0].id == IDYES);
    CHECK(box.buttons[1].id == IDNO);
}

// What a file holds, as UTF-16; empty when missing.
std::wstring FileText(const std::wstring& path)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::wstring();
    std::string bytes(65536, '\0');
    DWORD read = 0;
    ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    CloseHandle(file);
    bytes.resize(read);
    std::wstring text(bytes.size(), L'\0');
    int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), &text[0],
                                   static_cast<int>(text.size()));
    text.resize(size > 0 ? size : 0);
    return text;
}

} // namespace

TEST_CASE("a cancelled .NET setup asks with an empty reason, and No ends the core without DirectX")
{
    Core core(L"prereq-dotnet-cancelled");
    core.AddDotnetSetup("exit 1602\n");
    core.AddDirectXSetup("result 0\n");
    RunResult run = core.Run(L"/DotnetSetup /DxSetup", uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckQuestion(run.messageBoxes[0], DotnetFailed() + DotnetContinue());
    CHECK(FileText(core.folder.PathOf(L"directx\\dsetup-log.txt")).empty());
}

TEST_CASE("3010 asks to restart; No goes on to DirectX, whose failure gives its reason")
{
    Core core(L"prereq-restart-then-directx");
    core.AddDotnetSetup("record 1 150 0\nobserve\nexit 3010\n");
    core.AddDirectXSetup("sleep 300\nresult -16\n");
    RunResult run = core.Run(L"/DotnetSetup /DxSetup", uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 2);
    const MessageBoxRecord& restart = run.messageBoxes[0];
    CHECK(restart.text == RestartQuestion());
    CHECK(restart.icon == IconKind::Warning);
    CHECK(restart.defaultButton == IDNO);
    CheckQuestion(run.messageBoxes[1],
                  DirectXFailed() +
                      e2e::Localized(L"Not compatible with your computer's processor (CPU).",
                                     L"お使いのコンピュータのプロセッサ（CPU）形式には対応していません。") +
                      DirectXContinue());
    // The .NET dialog showed phase 1 with its percentage clamped.
    std::wstring dotnetLog = FileText(core.folder.PathOf(L"dotnet\\dotnetfx3-log.txt"));
    CHECK(dotnetLog.find(L"marquee=0 phase=1 phases=4 percent=100") != std::wstring::npos);
    std::wstring directXLog = FileText(core.folder.PathOf(L"directx\\dsetup-log.txt"));
    CHECK(directXLog.find(L"flags=0x00010018 source=" + core.folder.PathOf(L"directx")) != std::wstring::npos);
    CHECK(directXLog.find(L"late helper loaded") != std::wstring::npos);
    CHECK(directXLog.find(L"working dialog=") != std::wstring::npos);
}

TEST_CASE("a refused restart is reported and the installation goes on to DirectX")
{
    if (e2e::JapaneseRun())
        return;
    Core core(L"prereq-refused-restart", TestsPath(L"fixtures\\packsetup_refused_restart\\packsetup_refused_restart.exe"));
    core.AddDotnetSetup("exit 3010\n");
    core.AddDirectXSetup("result 0\n");
    RunResult run = core.Run(L"/DotnetSetup /DxSetup",
                             uiauto::AnswerRules().WhenTextContains(L"restart Windows right now", IDYES).Otherwise(IDOK));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() >= 2);
    CHECK(run.messageBoxes[0].text == RestartQuestion());
    CHECK(run.messageBoxes[1].text == L"Failed to restart Windows. Please restart Windows manually.");
    CHECK(run.messageBoxes[1].icon == IconKind::Error);
    CHECK(FileText(core.folder.PathOf(L"restart-requests.txt")) == L"flags=2 reason=0\n");
    CHECK(FileText(core.folder.PathOf(L"directx\\dsetup-log.txt")).find(L"setup ") != std::wstring::npos);
}

TEST_CASE("a missing dsetup.dll gives reason 127; a setup that never connects keeps the marquee")
{
    if (e2e::JapaneseRun())
        return;
    Core core(L"prereq-missing-dsetup");
    core.AddDotnetSetup("connect 0\nobserve\nsleep 1500\nobserve\nexit 0\n");
    RunResult run = core.Run(L"/DotnetSetup /DxSetup", uiauto::AnswerRules().Otherwise(IDNO));
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckQuestion(run.messageBoxes[0],
                  DirectXFailed() + L"Could not access Windows API which are necessary for setup." + DirectXContinue());
    std::wstring dotnetLog = FileText(core.folder.PathOf(L"dotnet\\dotnetfx3-log.txt"));
    size_t first = dotnetLog.find(L"observe dialog=");
    size_t second = dotnetLog.find(L"observe dialog=", first + 1);
    REQUIRE(second != std::wstring::npos);
    CHECK(dotnetLog.compare(first, dotnetLog.find(L'\n', first) - first,
                            dotnetLog, second, dotnetLog.find(L'\n', second) - second) == 0);
    CHECK(dotnetLog.find(L"marquee=1", first) < dotnetLog.find(L'\n', first));
    CHECK(dotnetLog.find(L"marquee=1", second) < dotnetLog.find(L'\n', second));
}
