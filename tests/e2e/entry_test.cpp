// packsetup's entry: loading the package definition in both run modes and
// the single-instance guard, seen from the user's side.
#include "support/definition_file.h"
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/wine_version.h"
#include "uiauto/scoped.h"

#include <windows.h>

using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! E2E パッケージ";

const wchar_t* LoadFailedText()
{
    return e2e::Localized(L"Failed to load setup informations. Setup has been cancelled.",
                          L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。");
}

// The copy under test: packsetup.exe alone in a fresh folder.
struct Installer {
    explicit Installer(const std::wstring& scratchName)
        : folder(scratchName), program(folder.CopyProgram(e2e::PackSetupPath(), L"packsetup.exe"))
    {
    }

    e2e::ScratchFolder folder;
    std::wstring program;
};

// An error box with a single OK button.
void CheckErrorBox(const MessageBoxRecord& box, const std::wstring& title, const std::wstring& text)
{
    CHECK(box.title == title);
    CHECK(box.text == text);
    CHECK(box.icon == IconKind::Error);
    REQUIRE(box.buttons.size() == 1);
    CHECK(box.buttons[0].id == IDOK);
}

void CheckOnlyLoadFailure(const RunResult& run, const std::wstring& title)
{
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckErrorBox(run.messageBoxes[0], title, LoadFailedText());
}

} // namespace

TEST_CASE("without a definition the installer says so once and ends with 0, in both run modes")
{
    Installer installer(L"entry-no-definition");
    REQUIRE(installer.folder.Ready());
    REQUIRE(!installer.program.empty());

    SUBCASE("interface instance")
    {
        CheckOnlyLoadFailure(e2e::RunProgram(installer.program, L""), L"");
    }
    SUBCASE("core instance")
    {
        CheckOnlyLoadFailure(e2e::RunProgram(installer.program, L"\"/CoreExec:" + installer.folder.Path() + L"\""),
                             L"");
    }
}

TEST_CASE("a definition that is not a package definition gives only the load failure")
{
    Installer installer(L"entry-bad-definition");
    REQUIRE(installer.folder.Ready());
    REQUIRE(!installer.program.empty());

    SUBCASE("another root element")
    {
        REQUIRE(e2e::WriteDefinition(installer.program,
                                     e2e::DefinitionXml({{L"Caption", kCaption},
                                                         {L"BaseRegKey", L"Tavrel!"},
                                                         {L"SfxExtractPath", L"E2EPackage"}},
                                                        L"OtherSetup")));
    }
    SUBCASE("XML that is not well-formed")
    {
        REQUIRE(e2e::WriteDefinition(installer.program,
                                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                                     "<TavrelSetup>\r\n  <Caption>Broken</Caption>\r\n  <BaseRegKey>Tavrel!\r\n"));
    }
    CheckOnlyLoadFailure(e2e::RunProgram(installer.program, L""), L"");
}

TEST_CASE("a missing required element is named before the load failure")
{
    Installer installer(L"entry-missing-element");
    REQUIRE(installer.folder.Ready());
    REQUIRE(!installer.program.empty());

    std::wstring firstTitle;
    std::wstring firstText;
    std::wstring secondTitle;
    SUBCASE("Caption absent: titled \"error\", then the load failure without a title")
    {
        REQUIRE(e2e::WriteDefinition(installer.program, e2e::DefinitionXml({{L"BaseRegKey", L"Tavrel!"},
                                                                            {L"SfxExtractPath", L"E2EPackage"}})));
        firstTitle = L"error";
        firstText = L"XML Node not found: <Caption>";
    }
    SUBCASE("Caption empty counts as absent")
    {
        REQUIRE(e2e::WriteDefinition(installer.program,
                                     e2e::DefinitionXml({{L"Caption", L""},
                                                         {L"BaseRegKey", L"Tavrel!"},
                                                         {L"SfxExtractPath", L"E2EPackage"}})));
        firstTitle = L"error";
        firstText = L"XML Node not found: <Caption>";
    }
    SUBCASE("BaseRegKey absent: both boxes carry the caption")
    {
        REQUIRE(e2e::WriteDefinition(installer.program, e2e::DefinitionXml({{L"Caption", kCaption},
                                                                            {L"SfxExtractPath", L"E2EPackage"}})));
        firstTitle = kCaption;
        firstText = L"XML Node not found: <BaseRegKey>";
        secondTitle = kCaption;
    }
    SUBCASE("SfxExtractPath absent: both boxes carry the caption")
    {
        REQUIRE(e2e::WriteDefinition(installer.program,
                                     e2e::DefinitionXml({{L"Caption", kCaption}, {L"BaseRegKey", L"Tavrel!"}})));
        firstTitle = kCaption;
        firstText = L"XML Node not found: <SfxExtractPath>";
        secondTitle = kCaption;
    }

    RunResult run = e2e::RunProgram(installer.program, L"");
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 2);
    CheckErrorBox(run.messageBoxes[0], firstTitle, firstText);
    CheckErrorBox(run.messageBoxes[1], secondTitle, LoadFailedText());
}

TEST_CASE("a second interface instance ends silently with -1 while the guard mutex is held")
{
    Installer installer(L"entry-guard");
    REQUIRE(installer.folder.Ready());
    REQUIRE(!installer.program.empty());
    REQUIRE(e2e::WriteDefinition(installer.program, e2e::ValidDefinitionXml(kCaption)));
    // A supported system, so that the checks before the guard let the program through.
    e2e::WineWindowsVersion windows7(L"packsetup.exe", L"win7");
    REQUIRE(windows7.Applied());

    SUBCASE("held by another process")
    {
        uiauto::ScopedHandle guard(CreateMutexW(nullptr, TRUE, L"Tavrel_Setup"));
        REQUIRE(guard);
        REQUIRE(GetLastError() != ERROR_ALREADY_EXISTS);

        RunResult run = e2e::RunProgram(installer.program, L"");
        INFO(e2e::Describe(run));
        CHECK_FALSE(run.timedOut);
        CHECK(run.exitCode == 0xFFFFFFFFu);
        CHECK(run.messageBoxes.empty());
        CHECK(run.windows.empty());
        ReleaseMutex(guard.Get());
    }
    SUBCASE("free")
    {
        RunResult run = e2e::RunProgram(installer.program, L"");
        INFO(e2e::Describe(run));
        CHECK_FALSE(run.timedOut);
        CHECK(run.exitCode == 0u);
    }
}
