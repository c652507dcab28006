// The checks that packsetup's interface instance makes before it installs:
// the Windows version (as Wine emulates it), a running Tavrel!, the
// installation lookup under both hives and the version of tavrel.exe.
#include "support/definition_file.h"
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/install_scene.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/wine_version.h"

#include "../fixtures/install_registry/install_registry.h"
#include "../fixtures/tavrel_standin/standin.h"

#include <windows.h>

#include <string>

using install_registry::ScopedProductKey;
using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! 製品チェック";

std::wstring OsNotSupportedText()
{
    return e2e::Localized(
        L"Your operating system is not compatible with Tavrel!.\n\nTavrel! requires Windows XP Service Pack 2, "
        L"Windows Vista, Windows 7  and later.",
        L"お使いのオペレーティング システムはTavrel! の動作に対応していません。\n\nTavrel! の動作には、Windows XP "
        L"Service Pack 2以降、Windows Vista、あるいはWindows 7以降が必要です。");
}

std::wstring ProgramRunningText()
{
    return e2e::Localized(
        L"Setup has detected that Tavrel! is currently running. Please close it first and try again.",
        L"Tavrel! が起動しています。終了させてから実行してください。");
}

std::wstring NotInstalledText()
{
    return e2e::Localized(
        L"Could not detect the location where Tavrel! is installed.\nYou may be logged-on as a user which is "
        L"deferent from the user installed Tavrel!. If so, please log-on as the same user installed and try "
        L"again.\nIf futher problems persist, please re-install Tavrel!.",
        L"Tavrel! のインストール先を検出できませんでした。\n\n・Tavrel! "
        L"をインストールしたときと異なるユーザーでログインしている可能性があります。インストールしたユーザーでログイ"
        L"ンし、再度アップデートしてみてください。\n\n・それでも改善しない場合は、Tavrel! "
        L"を再インストールしてみてください。");
}

std::wstring DefinitionFailedText()
{
    return e2e::Localized(L"Failed to load setup informations. Setup has been cancelled.",
                          L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。");
}

std::wstring NewerVersionText()
{
    return e2e::Localized(
        L"This program requires newer version of Tavrel!\nPlease update Tavrel! and try again.",
        L"この追加データをセットアップする前に、Tavrel! "
        L"を最新版にアップデートする必要があります。\nアップデートをしないと、この追加データを使用できません。\n\nTa"
        L"vrel! を起動し、「ヘルプ」メニューから「Tavrel! アップデート」を実行して、「更新する」ボタンを押してくださ"
        L"い。\nTavrel! が最新版にアップデートされた後に、もう一度このセットアップを実行してください。");
}

// packsetup with its definition in one scratch folder, Tavrel!'s installation
// folder in another, and the product key that names it.
struct Scene {
    Scene(const std::wstring& name, const std::wstring& requiredVersion)
        : setupFolder(L"checks-" + name + L"-setup"),
          installFolder(L"checks-" + name + L"-tavrel"),
          product(name),
          program(setupFolder.CopyProgram(e2e::PackSetupPath(), L"packsetup.exe"))
    {
        std::vector<e2e::DefinitionElement> elements = {{L"Caption", kCaption},
                                                        {L"BaseRegKey", product.BaseName()},
                                                        {L"SfxExtractPath", L"E2EChecks"}};
        if (!requiredVersion.empty())
            elements.push_back({L"RequiredTavrelVersion", requiredVersion});
        written = !program.empty() && e2e::WriteDefinition(program, e2e::DefinitionXml(elements));
    }

    bool Ready() const { return setupFolder.Ready() && installFolder.Ready() && written; }

    // tavrel.exe of the given variant in the installation folder.
    std::wstring InstallStandIn(const wchar_t* variant) const
    {
        return installFolder.CopyProgram(standin::VariantPath(variant), L"tavrel.exe");
    }

    // Tavrel! 1.3.0 installed for the current user.
    bool InstallForUser() const
    {
        return !InstallStandIn(standin::kVersion1_3_0).empty()
            && product.SetInstallPath(HKEY_CURRENT_USER, installFolder.Path());
    }

    RunResult Run(const uiauto::AnswerRules& rules = uiauto::AnswerRules()) const
    {
        return e2e::RunProgram(program, L"", rules);
    }

    e2e::ScratchFolder setupFolder;
    e2e::ScratchFolder installFolder;
    ScopedProductKey product;
    std::wstring program;
    bool written = false;
};

// Every check passed: the installation began (here, or in the elevated core
// for a machine-wide installation) and found no package beside the program.
void CheckPassed(const RunResult& run)
{
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 2);
    CHECK(run.messageBoxes[0].text == e2e::PackageMissingText());
    CHECK(run.messageBoxes[1].text == e2e::CancelledText());
}

void CheckRefused(const RunResult& run, const std::wstring& text)
{
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    const MessageBoxRecord& box = run.messageBoxes[0];
    CHECK(box.title == kCaption);
    CHECK(box.text == text);
    CHECK(box.icon == IconKind::Error);
    REQUIRE(box.buttons.size() == 1);
    CHECK(box.buttons[0].id == IDOK);
}

} // namespace

TEST_CASE("the Windows versions that Wine emulates are accepted or refused")
{
    Scene scene(L"os", L"1.2.9");
    REQUIRE(scene.Ready());
    REQUIRE(scene.InstallForUser());

    SUBCASE("Windows 2000 (NT 5.0) is refused")
    {
        e2e::WineWindowsVersion version(L"packsetup.exe", L"win2k");
        REQUIRE(version.Applied());
        CheckRefused(scene.Run(), OsNotSupportedText());
    }
    // The prefix is 64-bit Windows, where the shipped 32-bit program runs
    // under WOW64; 32-bit NT 5.2 is refused (the unit tests hold both rows).
    SUBCASE("64-bit Windows Server 2003 (NT 5.2, server) passes")
    {
        e2e::WineWindowsVersion version(L"packsetup.exe", L"win2003");
        REQUIRE(version.Applied());
        CheckPassed(scene.Run());
    }
    SUBCASE("Windows XP Professional x64 (NT 5.2, workstation, SP2) passes")
    {
        e2e::WineWindowsVersion version(L"packsetup.exe", L"winxp64");
        REQUIRE(version.Applied());
        CheckPassed(scene.Run());
    }
    SUBCASE("Windows XP SP3 passes")
    {
        e2e::WineWindowsVersion version(L"packsetup.exe", L"winxp");
        REQUIRE(version.Applied());
        CheckPassed(scene.Run());
    }
    SUBCASE("Windows Server 2008 (NT 6.0, server) passes")
    {
        e2e::WineWindowsVersion version(L"packsetup.exe", L"win2008");
        REQUIRE(version.Applied());
        CheckPassed(scene.Run());
    }
    SUBCASE("the prefix's own Windows 7 passes")
    {
        CheckPassed(scene.Run());
    }
}

TEST_CASE("a running Tavrel! with its window: five seconds, then the question; closing it and Retry passes")
{
    Scene scene(L"running", L"1.2.9");
    REQUIRE(scene.Ready());
    REQUIRE(scene.InstallForUser());
    // Another copy of the stand-in, started from a folder of its own.
    e2e::ScratchFolder runningFolder(L"checks-running-program");
    std::wstring running = runningFolder.CopyProgram(standin::VariantPath(standin::kVersion1_3_0), L"tavrel.exe");
    REQUIRE(!running.empty());
    standin::Process tavrel;
    REQUIRE(tavrel.Start(running, L"/ExitAfter:120000"));
    REQUIRE(FindWindowW(L"Tavrel_MainWindow", nullptr) != nullptr);

    DWORD start = GetTickCount();
    DWORD askedAfter = 0;
    bool closed = false;
    uiauto::AnswerRules rules;
    rules.Use([&](const MessageBoxRecord& box) {
        if (box.text != ProgramRunningText())
            return 0;
        askedAfter = GetTickCount() - start;
        HWND window = FindWindowW(L"Tavrel_MainWindow", nullptr);
        if (window)
            PostMessageW(window, WM_CLOSE, 0, 0);
        closed = tavrel.WaitForExit(10000);
        return IDRETRY;
    });

    RunResult run = scene.Run(rules);
    INFO(e2e::Describe(run));
    INFO("asked after " << askedAfter << " ms");
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    // After the question the checks pass and the installation begins, which
    // finds no package beside the program.
    REQUIRE(run.messageBoxes.size() == 3);
    CHECK(run.messageBoxes[1].text == e2e::PackageMissingText());
    CHECK(run.messageBoxes[2].text == e2e::CancelledText());
    const MessageBoxRecord& box = run.messageBoxes[0];
    CHECK(box.title == kCaption);
    CHECK(box.text == ProgramRunningText());
    CHECK(box.icon == IconKind::Warning);
    REQUIRE(box.buttons.size() == 2);
    CHECK(box.buttons[0].id == IDRETRY);
    CHECK(box.buttons[1].id == IDCANCEL);
    CHECK(box.pressed == IDRETRY);
    CHECK(askedAfter >= 4500u);
    CHECK(askedAfter < 15000u);
    // Closed by the user, not ended by the installer.
    CHECK(closed);
    CHECK(tavrel.ExitCode() == standin::kOwnExitCode);
}

TEST_CASE("a tavrel.exe without its window is ended after two seconds, without a question")
{
    Scene scene(L"windowless", L"1.2.9");
    REQUIRE(scene.Ready());
    REQUIRE(scene.InstallForUser());
    e2e::ScratchFolder runningFolder(L"checks-windowless-program");
    std::wstring running = runningFolder.CopyProgram(standin::VariantPath(standin::kVersion1_3_0), L"tavrel.exe");
    REQUIRE(!running.empty());
    standin::Process tavrel;
    REQUIRE(tavrel.Start(running, L"/NoWindow /ExitAfter:120000"));

    DWORD start = GetTickCount();
    RunResult run = scene.Run();
    DWORD elapsed = GetTickCount() - start;
    CheckPassed(run);
    INFO("packsetup ran " << elapsed << " ms");
    CHECK(elapsed >= 2000u);
    REQUIRE(tavrel.WaitForExit(5000));
    // Terminated with 0, not ended by itself with its own code.
    CHECK(tavrel.ExitCode() == 0u);
}

TEST_CASE("the installation folder is looked up under the current user, then the machine")
{
    Scene scene(L"lookup", L"1.2.9");
    REQUIRE(scene.Ready());
    REQUIRE(!scene.InstallStandIn(standin::kVersion1_3_0).empty());

    SUBCASE("under neither hive: string 155")
    {
        CheckRefused(scene.Run(), NotInstalledText());
    }
    SUBCASE("an empty value counts as none")
    {
        REQUIRE(scene.product.SetInstallPath(HKEY_CURRENT_USER, L""));
        CheckRefused(scene.Run(), NotInstalledText());
    }
    SUBCASE("under the machine only")
    {
        REQUIRE(scene.product.SetInstallPath(HKEY_LOCAL_MACHINE, scene.installFolder.Path()));
        CheckPassed(scene.Run());
    }
    SUBCASE("under both, the current user's wins")
    {
        // The machine's folder has no tavrel.exe: using it would fail the version check.
        REQUIRE(scene.product.SetInstallPath(HKEY_CURRENT_USER, scene.installFolder.Path()));
        REQUIRE(scene.product.SetInstallPath(HKEY_LOCAL_MACHINE, scene.setupFolder.Path()));
        CheckPassed(scene.Run());
    }
}

TEST_CASE("the installed tavrel.exe must be at least the required version")
{
    std::wstring required = L"1.2.9";
    std::wstring expected;
    bool installProgram = true;
    bool trailingBackslash = false;
    SUBCASE("1.3.0 against 1.2.9 passes") {}
    SUBCASE("1.3.0 against 1.3.0 passes, with a trailing backslash in InstallPath")
    {
        required = L"1.3.0";
        trailingBackslash = true;
    }
    SUBCASE("1.3.0 against 1.3.1 is too old")
    {
        required = L"1.3.1";
        expected = NewerVersionText();
    }
    SUBCASE("a required version of two numbers is an invalid field")
    {
        required = L"1.2";
        expected = DefinitionFailedText() + L"\n\nError code: Invalid RequiredVersion field";
    }
    SUBCASE("no tavrel.exe in the installation folder")
    {
        installProgram = false;
        expected = NotInstalledText() + L"\n\nError code: Tavrel.exe version check failed";
    }

    Scene scene(L"version", required);
    REQUIRE(scene.Ready());
    if (installProgram)
        REQUIRE(!scene.InstallStandIn(standin::kVersion1_3_0).empty());
    std::wstring folder = scene.installFolder.Path() + (trailingBackslash ? L"\\" : L"");
    REQUIRE(scene.product.SetInstallPath(HKEY_CURRENT_USER, folder));

    RunResult run = scene.Run();
    if (expected.empty())
        CheckPassed(run);
    else
        CheckRefused(run, expected);
}
