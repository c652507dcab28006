// The install sequence seen from the user's side: a per-user installation
// from start to the question whether to start Tavrel!, the checks of the
// installation folder and of the package, and a cancel during the copy.
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/install_scene.h"
#include "support/program_run.h"

#include "../fixtures/tavrel_standin/standin.h"

#include <windows.h>

#include <string>
#include <vector>

using e2e::InstallScene;
using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! E2E 追加パック";
const wchar_t kPackageId[] = L"E2EPack";
const wchar_t kPackageTitle[] = L"E2E Pack タイトル";

void CheckBox(const MessageBoxRecord& box, const std::wstring& text, IconKind icon)
{
    CHECK(box.title == kCaption);
    CHECK(box.text == text);
    CHECK(box.icon == icon);
}

void CheckStartQuestion(const MessageBoxRecord& box)
{
    CheckBox(box, e2e::StartQuestionText(), IconKind::Information);
    REQUIRE(box.buttons.size() == 2);
    CHECK(box.buttons[0].id == IDYES);
    CHECK(box.buttons[1].id == IDNO);
}

// A refused run: the check's own message, then the cancelled message.
void CheckRefused(const RunResult& run, const std::wstring& text, IconKind icon)
{
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 2);
    CheckBox(run.messageBoxes[0], text, icon);
    CheckBox(run.messageBoxes[1], e2e::CancelledText(), IconKind::Error);
}

// Tavrel! installed for the current user, with obsolete parts of an earlier
// package and a package of three files, run from its unpack folder.
struct PerUserScene {
    explicit PerUserScene(const std::wstring& name) : scene(name)
    {
        e2e::DefinitionContent content;
        content.caption = kCaption;
        content.packageId = kPackageId;
        content.packageTitle = kPackageTitle;
        content.removeFiles = {L"old\\gone.txt"};
        // The parent first: only removing the subfolder first can empty it.
        content.removeFolders = {L"data", L"data\\old"};
        ready = scene.Ready() && scene.WriteDefinition(content) && scene.PrepareInstallation()
            && scene.PrepareUnpackFolder() && scene.AddPackageFile(L"Materials\\pack.txt", "pack")
            && scene.AddPackageFile(L"Materials\\Frames\\frame.txt", "frame")
            && scene.AddPackageFile(L"readme.txt", "readme")
            && CreateDirectoryW(scene.InstalledPath(L"old").c_str(), nullptr)
            && e2e::WriteFileBytes(scene.InstalledPath(L"old\\gone.txt"), "obsolete")
            && CreateDirectoryW(scene.InstalledPath(L"data").c_str(), nullptr)
            && CreateDirectoryW(scene.InstalledPath(L"data\\old").c_str(), nullptr)
            && scene.Product().SetInstallPath(HKEY_CURRENT_USER, scene.InstallFolder())
            && e2e::WriteRegistryString(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L"UpdateTime", L"earlier")
            && e2e::WriteRegistryString(HKEY_CURRENT_USER, scene.Product().Path(), L"UpdateTime", L"product");
    }

    void CheckInstalled() const
    {
        for (const wchar_t* file : {L"Materials\\pack.txt", L"Materials\\Frames\\frame.txt", L"readme.txt"})
            CHECK_MESSAGE(e2e::PathExists(scene.InstalledPath(file)), e2e::ToUtf8(file));
        CHECK_FALSE(e2e::PathExists(scene.InstalledPath(L"old\\gone.txt")));
        CHECK_FALSE(e2e::PathExists(scene.InstalledPath(L"data")));

        std::string manifest = e2e::ReadFileBytes(scene.ManifestPath());
        CHECK(e2e::ManifestLists(manifest, L"File", scene.InstalledPath(L"Materials\\Frames\\frame.txt")));
        CHECK(e2e::ManifestLists(manifest, L"File", scene.InstalledPath(L"readme.txt")));
        CHECK(e2e::ManifestLists(manifest, L"File", scene.ManifestPath()));
        CHECK(e2e::ManifestLists(manifest, L"Directory", scene.InstalledPath(L"Materials\\Frames")));
        // The product setup's own entries stay.
        CHECK(e2e::ManifestLists(manifest, L"File", scene.InstalledPath(L"tavrel.exe")));
        CHECK(e2e::ManifestLists(manifest, L"Directory", scene.InstallFolder()));

        std::wstring title;
        CHECK(e2e::ReadRegistryString(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L"", title));
        CHECK(title == kPackageTitle);
        CHECK_FALSE(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L"UpdateTime"));
        // With a package id only the package's own key loses "UpdateTime".
        CHECK(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.Product().Path(), L"UpdateTime"));
        CHECK_FALSE(e2e::RegistryKeyExists(HKEY_LOCAL_MACHINE, scene.Product().Path()));

        CHECK(scene.UnpackedPackageRemoved());
        CHECK(e2e::PathExists(scene.MakerFolder()));
    }

    InstallScene scene;
    bool ready = false;
};

} // namespace

TEST_CASE("a per-user installation: one process, everything in place, then the question to start Tavrel!")
{
    PerUserScene perUser(L"peruser");
    REQUIRE(perUser.ready);
    const InstallScene& scene = perUser.scene;
    std::wstring marker = standin::MarkerPathFor(scene.InstalledPath(L"tavrel.exe"));

    SUBCASE("No starts nothing")
    {
        RunResult run = scene.Run(L"", uiauto::AnswerRules().Otherwise(IDNO));
        INFO(e2e::Describe(run));
        REQUIRE(run.started);
        CHECK_FALSE(run.timedOut);
        CHECK(run.exitCode == 0u);
        CHECK(run.processes.size() == 1);
        REQUIRE(run.messageBoxes.size() == 1);
        CheckStartQuestion(run.messageBoxes[0]);
        CHECK(run.messageBoxes[0].pressed == IDNO);
        perUser.CheckInstalled();
        CHECK_FALSE(e2e::PathExists(marker));
    }
    SUBCASE("Yes starts tavrel.exe in the installation folder")
    {
        // The same question as above; the Japanese run has nothing to add.
        if (e2e::JapaneseRun())
            return;
        uiauto::Session session(uiauto::AnswerRules().Otherwise(IDYES));
        uiauto::LaunchOptions options;
        options.program = scene.Program();
        options.workingFolder = scene.SetupFolder();
        // Elevated, the installer would start Tavrel! only with the desktop
        // shell's token, which Wine's desktop does not offer.
        options.withoutElevation = true;
        REQUIRE(session.Start(options));
        HWND tavrel = session.WaitForWindow({L"Tavrel_MainWindow", L""}, e2e::kProgramTimeoutMs);
        INFO(e2e::Describe(session.MessageBoxes()));
        REQUIRE(tavrel != nullptr);
        for (int waited = 0; waited < 5000 && !e2e::PathExists(marker); waited += 50)
            Sleep(50);
        std::string workingFolder = standin::MarkerValue(marker, "working_folder");
        PostMessageW(tavrel, WM_CLOSE, 0, 0);
        CHECK(session.Wait(e2e::kProgramTimeoutMs));
        CHECK(session.ExitCode() == 0u);

        REQUIRE(session.MessageBoxes().size() == 1);
        CheckStartQuestion(session.MessageBoxes()[0]);
        CHECK(workingFolder == e2e::ToUtf8(scene.InstallFolder()));
        perUser.CheckInstalled();
    }
}

TEST_CASE("the installation folder's name is checked before anything is copied")
{
    InstallScene scene(L"foldername");
    REQUIRE(scene.Ready());
    e2e::DefinitionContent content;
    content.caption = kCaption;
    REQUIRE(scene.WriteDefinition(content));
    REQUIRE(scene.AddPackageFile(L"readme.txt", "readme"));
    REQUIRE(scene.PrepareUnpackFolder());

    std::wstring folder;
    std::wstring expected;
    SUBCASE("a drive root alone")
    {
        folder = L"C:\\";
        expected = e2e::InvalidFolderText();
    }
    SUBCASE("a tab in the name")
    {
        folder = scene.InstallFolder() + L"\ttab";
        expected = e2e::InvalidCharactersText();
    }
    SUBCASE("a drive that does not exist: the free space is unknown")
    {
        REQUIRE(GetDriveTypeW(L"Q:\\") == DRIVE_NO_ROOT_DIR);
        folder = L"Q:\\Tavrel";
        expected = e2e::LowSpaceQuestionText();
    }
    // Every box gets its default button; the owners are noted on the way.
    std::vector<HWND> owners;
    uiauto::AnswerRules rules;
    rules.Use([&](const MessageBoxRecord& box) {
        owners.push_back(GetWindow(box.window, GW_OWNER));
        return 0;
    });
    REQUIRE(scene.Product().SetInstallPath(HKEY_CURRENT_USER, folder));
    RunResult run = scene.Run(L"", rules);
    CheckRefused(run, expected, IconKind::Warning);
    REQUIRE(owners.size() == 2);
    if (expected == e2e::LowSpaceQuestionText()) {
        const MessageBoxRecord& question = run.messageBoxes[0];
        REQUIRE(question.buttons.size() == 2);
        CHECK(question.buttons[0].id == IDYES);
        CHECK(question.buttons[1].id == IDNO);
        CHECK(question.defaultButton == IDNO);
        CHECK(question.pressed == IDNO);
        // Owned by the caller's window (none here), not the progress dialog.
        CHECK(owners[0] == nullptr);
    } else {
        CHECK(owners[0] != nullptr);
    }
    CHECK_FALSE(e2e::PathExists(L"C:\\readme.txt"));
    CHECK_FALSE(e2e::PathExists(scene.InstallFolder()));
    CHECK(e2e::PathExists(scene.UnpackFolder()));
    CHECK_FALSE(e2e::RegistryKeyExists(HKEY_LOCAL_MACHINE, scene.Product().Path()));
}

TEST_CASE("without an image folder nothing changes")
{
    PerUserScene perUser(L"noimage");
    REQUIRE(perUser.ready);
    const InstallScene& scene = perUser.scene;
    REQUIRE(e2e::RemoveFolderTree(scene.SetupFolder() + L"\\image"));
    std::string manifestBefore = e2e::ReadFileBytes(scene.ManifestPath());

    CheckRefused(scene.Run(L"", uiauto::AnswerRules()), e2e::PackageMissingText(), IconKind::Error);
    CHECK(e2e::ReadFileBytes(scene.ManifestPath()) == manifestBefore);
    CHECK(e2e::PathExists(scene.InstalledPath(L"old\\gone.txt")));
    CHECK(e2e::PathExists(scene.InstalledPath(L"data\\old")));
    CHECK(e2e::PathExists(scene.UnpackFolder() + L"\\extras\\unpacked.txt"));
    CHECK(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L"UpdateTime"));
    CHECK_FALSE(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L""));
}

TEST_CASE("a package neither replaces nor removes the program's and the uninstaller's own files")
{
    PerUserScene perUser(L"ownfiles");
    REQUIRE(perUser.ready);
    const InstallScene& scene = perUser.scene;
    std::string manifestBefore = e2e::ReadFileBytes(scene.ManifestPath());

    SUBCASE("a manifest of the package's own at the top of the image folder: refused before anything changes")
    {
        REQUIRE(scene.AddPackageFile(L"TavrelUnsetup.dat",
                                     "<TavrelUninstall><Components><File>C:\\windows\\win.ini</File>"
                                     "</Components></TavrelUninstall>"));
        CheckRefused(scene.Run(L"", uiauto::AnswerRules()), e2e::PackageMissingText(), IconKind::Error);
        CHECK(e2e::ReadFileBytes(scene.ManifestPath()) == manifestBefore);
        CHECK_FALSE(e2e::PathExists(scene.InstalledPath(L"readme.txt")));
        CHECK(e2e::PathExists(scene.InstalledPath(L"old\\gone.txt")));
    }
    SUBCASE("removal entries naming TAVREL.EXE and the manifest by its short name: both stay")
    {
        wchar_t alias[MAX_PATH] = L"";
        REQUIRE(GetShortPathNameW(scene.ManifestPath().c_str(), alias, MAX_PATH) > 0);
        std::wstring aliasName(alias);
        aliasName = aliasName.substr(aliasName.rfind(L'\\') + 1);
        REQUIRE(aliasName != L"tavrelunsetup.dat");
        e2e::DefinitionContent content;
        content.caption = kCaption;
        content.packageId = kPackageId;
        content.packageTitle = kPackageTitle;
        content.removeFiles = {L"TAVREL.EXE", aliasName, L"old\\gone.txt"};
        content.removeFolders = {L"data", L"data\\old"};
        REQUIRE(scene.WriteDefinition(content));

        RunResult run = scene.Run(L"", uiauto::AnswerRules().Otherwise(IDNO));
        INFO(e2e::Describe(run));
        REQUIRE(run.messageBoxes.size() == 1);
        CheckStartQuestion(run.messageBoxes[0]);
        CHECK(e2e::PathExists(scene.InstalledPath(L"tavrel.exe")));
        CHECK(e2e::PathExists(scene.ManifestPath()));
        perUser.CheckInstalled();
    }
}

TEST_CASE("a cancel confirmed during the copy leaves manifest, registry and unpacked package as they were")
{
    PerUserScene perUser(L"cancel");
    REQUIRE(perUser.ready);
    const InstallScene& scene = perUser.scene;
    std::string manifestBefore = e2e::ReadFileBytes(scene.ManifestPath());

    // Two files of the package held open without sharing: whichever the copy
    // meets first fails until it is let go; the cancel requested meanwhile
    // is put to the user before the next file.
    const wchar_t* lockedNames[] = {L"readme.txt", L"Materials\\pack.txt"};
    uiauto::ScopedHandle locks[2];
    for (int i = 0; i < 2; ++i) {
        std::wstring source = scene.SetupFolder() + L"\\image\\" + lockedNames[i];
        locks[i].Reset(CreateFileW(source.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        REQUIRE(locks[i]);
    }
    bool cancelRequested = false;
    uiauto::AnswerRules rules;
    rules.Use([&](const MessageBoxRecord& box) {
        if (box.text.find(e2e::CopyFailedText()) == std::wstring::npos)
            return 0;
        for (int i = 0; i < 2; ++i) {
            if (box.text.find(lockedNames[i]) != std::wstring::npos)
                locks[i].Reset();
        }
        // The copy's message box is owned by the progress dialog, whose
        // Cancel button sends this command.
        DWORD_PTR result = 0;
        cancelRequested = SendMessageTimeoutW(GetWindow(box.window, GW_OWNER), WM_COMMAND, IDCANCEL, 0,
                                              SMTO_ABORTIFHUNG, 5000, &result) != 0;
        return IDRETRY;
    });
    rules.WhenTextContains(e2e::CancelQuestionText(), IDYES);

    RunResult run = scene.Run(L"", rules);
    INFO(e2e::Describe(run));
    REQUIRE(run.started);
    CHECK_FALSE(run.timedOut);
    CHECK(run.exitCode == 0u);
    CHECK(cancelRequested);
    REQUIRE(run.messageBoxes.size() == 3);
    CHECK(run.messageBoxes[0].icon == IconKind::Warning);
    CHECK(run.messageBoxes[0].pressed == IDRETRY);
    CheckBox(run.messageBoxes[1], e2e::CancelQuestionText(), IconKind::Warning);
    CHECK(run.messageBoxes[1].pressed == IDYES);
    CheckBox(run.messageBoxes[2], e2e::CancelledText(), IconKind::Error);

    CHECK(e2e::ReadFileBytes(scene.ManifestPath()) == manifestBefore);
    CHECK_FALSE(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L""));
    CHECK(e2e::RegistryValueExists(HKEY_CURRENT_USER, scene.PackageKey(kPackageId), L"UpdateTime"));
    CHECK(e2e::PathExists(scene.UnpackFolder() + L"\\extras\\unpacked.txt"));
}
