// unsetup from the user's side: the confirmation, the copy in the temporary
// folder, the removal of files, folders and registry keys, the final message
// and the self-removal; and every refusal of the launcher and the core.
#include "support/definition_file.h"
#include "support/doctest_text.h"
#include "support/environment.h"
#include "support/program_run.h"
#include "support/scratch_folder.h"
#include "support/utf8.h"

#include "../fixtures/install_registry/install_registry.h"
#include "../fixtures/tavrel_standin/standin.h"
#include "../unit/unsetup_test_links.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

using install_registry::CreateKey;
using install_registry::KeyExists;
using install_registry::kOtherView;
using uiauto::IconKind;
using uiauto::MessageBoxRecord;
using uiauto::RunResult;

namespace {

const wchar_t kCaption[] = L"Tavrel! E2E 削除";
const unsigned long kFullRunTimeoutMs = 90000;
const wchar_t* const kAssociationKeys[] = {L"Software\\Classes\\.tvd", L"Software\\Classes\\.tvdx",
                                           L"Software\\Classes\\tvdfile"};

std::wstring UniqueName(const std::wstring& hint)
{
    static unsigned counter = 0;
    return L"E2EUnsetup-" + hint + L"-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool MakeFile(const std::wstring& path)
{
    return e2e::WriteFileBytes(path, "data");
}

bool MakeFolders(const std::vector<std::wstring>& folders)
{
    for (const std::wstring& folder : folders) {
        if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
    }
    return true;
}

std::wstring ShellFolder(int id)
{
    wchar_t path[MAX_PATH] = L"";
    return SUCCEEDED(SHGetFolderPathW(nullptr, id, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

// The names in a folder, without "." and "..".
std::vector<std::wstring> FolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..")
            names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

// Windows' own temporary folder, where the launcher makes its working folder.
std::wstring SystemTemp()
{
    wchar_t windows[MAX_PATH] = L"";
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp";
}

std::wstring AddNewName()
{
    return e2e::Localized(L"Add New", L"新規追加");
}

std::wstring DefinitionText(const std::wstring& name, const std::wstring& edition)
{
    return L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TavrelSetup>\r\n  <Caption>" + std::wstring(kCaption)
        + L"</Caption>\r\n  <BaseRegKey>" + name + L"</BaseRegKey>\r\n  <UninstallerInfoRegKey>" + name
        + L"</UninstallerInfoRegKey>\r\n  <AppDataPath>" + name
        + L"</AppDataPath>\r\n  <Edition xml:space=\"preserve\">" + edition + L"</Edition>\r\n</TavrelSetup>\r\n";
}

// An installed Tavrel!: unsetup.exe, its definition and a manifest in a
// scratch installation folder, product keys, association keys and
// application data below unique names, and a temporary folder of its own
// that the programs get through TMP and TEMP. Everything goes afterwards.
struct Installation {
    explicit Installation(const std::wstring& hint, const std::wstring& edition = L"normal")
        : name(UniqueName(hint)),
          folder(L"unsetup-" + hint + L"-install"),
          temp(L"unsetup-" + hint + L"-temp"),
          program(folder.CopyProgram(e2e::UnsetupPath(), L"unsetup.exe")),
          baseKey(L"Software\\Halvest\\" + name),
          uninstallKey(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + name),
          roamingProduct(ShellFolder(CSIDL_APPDATA) + L"\\Halvest\\" + name),
          localProduct(ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Halvest\\" + name),
          systemTempBefore(FolderEntries(SystemTemp()))
    {
        ready = folder.Ready() && temp.Ready() && !program.empty()
            && WriteText(folder.PathOf(L"unsetup.def"), DefinitionText(name, edition));
    }

    ~Installation()
    {
        for (HKEY root : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
            for (REGSAM view : {install_registry::kShippedView, kOtherView}) {
                install_registry::DeleteKeyTree(root, baseKey, view);
                install_registry::DeleteKeyTree(root, uninstallKey, view);
                for (const wchar_t* key : kAssociationKeys)
                    install_registry::DeleteKeyTree(root, key, view);
            }
        }
        test_links::RemoveTreeKeepingLinkTargets(roamingProduct);
        test_links::RemoveTreeKeepingLinkTargets(localProduct);
    }

    static bool WriteText(const std::wstring& path, const std::wstring& text)
    {
        return e2e::WriteFileBytes(path, e2e::ToUtf8(text));
    }

    // The manifest lists the given files and folders of the installation.
    bool WriteManifest(const std::vector<std::wstring>& files, const std::vector<std::wstring>& folders,
                       bool currentUser) const
    {
        std::wstring text = L"<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<TavrelUninstall>\r\n";
        if (currentUser)
            text += L"  <Options>\r\n    <CurrentUser>1</CurrentUser>\r\n  </Options>\r\n";
        text += L"  <Components>\r\n";
        for (const std::wstring& file : files)
            text += L"    <File>" + file + L"</File>\r\n";
        for (const std::wstring& listed : folders)
            text += L"    <Directory>" + listed + L"</Directory>\r\n";
        text += L"  </Components>\r\n</TavrelUninstall>\r\n";
        return WriteText(folder.PathOf(L"tavrelunsetup.dat"), text);
    }

    // Installed files: data\a.txt, data\sub\b.txt and the programs' own files.
    bool InstallFiles(bool currentUser) const
    {
        const std::wstring root = folder.Path();
        return MakeFolders({root + L"\\data", root + L"\\data\\sub"}) && MakeFile(root + L"\\data\\a.txt")
            && MakeFile(root + L"\\data\\sub\\b.txt")
            && WriteManifest({root + L"\\data\\a.txt", root + L"\\data\\sub\\b.txt", root + L"\\tavrelunsetup.dat",
                              root + L"\\unsetup.def", root + L"\\unsetup.exe"},
                             {root, root + L"\\data\\", root + L"\\data\\sub"}, currentUser);
    }

    // The keys as the product's 32-bit setup writes them, its InstallPath
    // naming the given folder (by default this installation's).
    bool InstallKeys(HKEY hive, const std::wstring& installPath = std::wstring()) const
    {
        bool created = install_registry::WriteInstallPath(hive, baseKey,
                                                          installPath.empty() ? folder.Path() : installPath)
            && CreateKey(hive, baseKey + L"\\Package\\Pack") && CreateKey(hive, uninstallKey);
        for (const wchar_t* key : kAssociationKeys)
            created = created && CreateKey(hive, std::wstring(key) + L"\\shell");
        return created;
    }

    // The associations in the other view as well, as Windows XP x64 and
    // Vista reflect them there (Wine keeps the views of the machine's
    // Software\Classes apart too).
    bool InstallAssociationsInOtherView(HKEY hive) const
    {
        bool created = true;
        for (const wchar_t* key : kAssociationKeys)
            created = created && CreateKey(hive, std::wstring(key) + L"\\shell", kOtherView);
        return created;
    }

    // The user's data: a picture in UserImage and an empty "Add New" folder.
    bool InstallAppData() const
    {
        const std::wstring image = roamingProduct + L"\\UserImage";
        return MakeFolders({ShellFolder(CSIDL_APPDATA) + L"\\Halvest", roamingProduct, roamingProduct + L"\\Updater",
                            image, image + L"\\" + AddNewName(), image + L"\\Album",
                            ShellFolder(CSIDL_LOCAL_APPDATA) + L"\\Halvest", localProduct})
            && MakeFile(image + L"\\Album\\picture.png") && MakeFile(roamingProduct + L"\\exception.log")
            && MakeFile(roamingProduct + L"\\Updater\\updater.exe") && MakeFile(localProduct + L"\\updater.exe");
    }

    uiauto::LaunchOptions Launch(const std::wstring& arguments = std::wstring()) const
    {
        uiauto::LaunchOptions options;
        options.program = program;
        options.arguments = arguments;
        options.workingFolder = folder.Path();
        options.environment = {{L"TMP", temp.Path()}, {L"TEMP", temp.Path()}};
        return options;
    }

    // What appeared in Windows' temporary folder since the installation was made.
    std::vector<std::wstring> NewInSystemTemp() const
    {
        std::vector<std::wstring> added;
        for (const std::wstring& name : FolderEntries(SystemTemp())) {
            if (std::find(systemTempBefore.begin(), systemTempBefore.end(), name) == systemTempBefore.end())
                added.push_back(SystemTemp() + L"\\" + name);
        }
        return added;
    }

    // What is new in either temporary folder, one name a line; empty when clean.
    // The self-removal batch may still be finishing after the last process
    // that the session saw has ended, so it is given a few seconds.
    std::string TemporaryLeftovers() const
    {
        std::vector<std::wstring> left;
        for (int attempt = 0; attempt < 50; ++attempt) {
            left = NewInSystemTemp();
            for (const std::wstring& name : FolderEntries(temp.Path()))
                left.push_back(temp.Path() + L"\\" + name);
            if (left.empty())
                break;
            Sleep(100);
        }
        std::string lines;
        for (const std::wstring& path : left)
            lines += e2e::ToUtf8(path) + "\n";
        return lines;
    }

    std::wstring name;
    e2e::ScratchFolder folder;
    e2e::ScratchFolder temp;
    std::wstring program;
    std::wstring baseKey;
    std::wstring uninstallKey;
    std::wstring roamingProduct;
    std::wstring localProduct;
    std::vector<std::wstring> systemTempBefore;
    bool ready = false;
};

// A program waiting under the core's name, read-only and open for reading
// only, so that no copy can replace it. Removed again at the end.
struct PlantedProgram {
    explicit PlantedProgram(const std::wstring& at) : path(at)
    {
        planted = CopyFileW(standin::VariantPath(standin::kVersion1_3_0).c_str(), path.c_str(), FALSE)
            && SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
        lock = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        planted = planted && lock != INVALID_HANDLE_VALUE;
    }
    ~PlantedProgram()
    {
        if (lock != INVALID_HANDLE_VALUE)
            CloseHandle(lock);
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(path.c_str());
        DeleteFileW(standin::MarkerPathFor(path).c_str());
    }
    PlantedProgram(const PlantedProgram&) = delete;
    PlantedProgram& operator=(const PlantedProgram&) = delete;

    bool Ran() const { return Exists(standin::MarkerPathFor(path)); }

    std::wstring path;
    HANDLE lock = INVALID_HANDLE_VALUE;
    bool planted = false;
};

enum class Answer { Yes, YesWithUserData, No, Escape, CloseBox };

struct DialogRun {
    RunResult run;
    bool dialogShown = false;
    std::wstring dialogTitle;
    bool focusOnNo = false;
};

// Runs the launcher, does what is asked while the confirmation dialog is open,
// answers it and waits for the whole process tree, the self-removal batch
// included.
DialogRun RunWithConfirmation(const uiauto::LaunchOptions& options, Answer answer,
                              const std::function<void()>& whileAsking = nullptr)
{
    DialogRun result;
    uiauto::Session session(uiauto::AnswerRules().Otherwise(IDOK));
    REQUIRE(session.Start(options));
    HWND dialog = session.WaitForWindow(uiauto::WindowQuery{L"#32770", kCaption}, e2e::kProgramTimeoutMs);
    if (dialog) {
        result.dialogShown = true;
        wchar_t title[256] = L"";
        GetWindowTextW(dialog, title, 256);
        result.dialogTitle = title;
        GUITHREADINFO thread = {};
        thread.cbSize = sizeof(thread);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread))
            result.focusOnNo = thread.hwndFocus == GetDlgItem(dialog, IDCANCEL);
        if (whileAsking)
            whileAsking();
        switch (answer) {
        case Answer::YesWithUserData:
            SendDlgItemMessageW(dialog, 1009, BM_SETCHECK, BST_CHECKED, 0);
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
            break;
        case Answer::Yes:
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
            break;
        case Answer::No:
            PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            break;
        case Answer::Escape:
            PostMessageW(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
            break;
        case Answer::CloseBox:
            PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            break;
        }
    }
    session.Wait(kFullRunTimeoutMs);
    result.run.started = true;
    result.run.timedOut = session.TimedOut();
    result.run.exitCode = session.ExitCode();
    result.run.messageBoxes = session.MessageBoxes();
    result.run.processes = session.Processes();
    return result;
}

void CheckBox(const MessageBoxRecord& box, const std::wstring& title, const std::wstring& text, IconKind icon)
{
    CHECK(box.title == title);
    CHECK(box.text == text);
    CHECK(box.icon == icon);
    REQUIRE(box.buttons.size() == 1);
    CHECK(box.buttons[0].id == IDOK);
}

std::wstring CompleteText()
{
    return e2e::Localized(L"Uninstallation complete.", L"アンインストールが完了しました。");
}

std::wstring FailedText()
{
    return e2e::Localized(L"Failed to uninstall Tavrel!.", L"Tavrel! のアンインストールに失敗しました。");
}

std::wstring DefinitionFailedText()
{
    return e2e::Localized(L"Failed load uninstallation information.(02)",
                          L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。");
}

void CheckCompleted(const DialogRun& result)
{
    INFO(e2e::Describe(result.run));
    CHECK(result.dialogShown);
    CHECK(result.dialogTitle == kCaption);
    CHECK(result.focusOnNo);
    CHECK_FALSE(result.run.timedOut);
    CHECK(result.run.exitCode == 0u);
    REQUIRE(result.run.messageBoxes.size() == 1);
    CheckBox(result.run.messageBoxes[0], kCaption, CompleteText(), IconKind::Information);
    // The final message comes from the core, a child of the launcher.
    CHECK(result.run.messageBoxes[0].depth == 1u);
    for (const uiauto::ProcessRecord& process : result.run.processes) {
        INFO(e2e::ToUtf8(process.name));
        CHECK(process.exitCode == 0u);
    }
}

} // namespace

TEST_CASE("a full uninstall for all users removes the listed files, the keys and the associations")
{
    Installation installation(L"all-users");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    REQUIRE(MakeFile(installation.folder.PathOf(L"unlisted.txt")));
    REQUIRE(installation.InstallKeys(HKEY_CURRENT_USER));
    REQUIRE(installation.InstallKeys(HKEY_LOCAL_MACHINE));
    REQUIRE(installation.InstallAssociationsInOtherView(HKEY_LOCAL_MACHINE));
    const std::wstring otherProduct = L"Software\\Halvest\\" + UniqueName(L"other");
    REQUIRE(CreateKey(HKEY_LOCAL_MACHINE, otherProduct));
    REQUIRE(installation.InstallAppData());

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
    CheckCompleted(result);

    const std::wstring root = installation.folder.Path();
    CHECK_FALSE(Exists(root + L"\\data"));
    CHECK_FALSE(Exists(root + L"\\tavrelunsetup.dat"));
    CHECK_FALSE(Exists(root + L"\\unsetup.def"));
    CHECK_FALSE(Exists(installation.program));
    // Something unlisted keeps the installation folder.
    CHECK(Exists(root + L"\\unlisted.txt"));

    for (HKEY hive : {HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE})
        CHECK_FALSE(KeyExists(hive, installation.baseKey));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, installation.uninstallKey));
    CHECK(KeyExists(HKEY_CURRENT_USER, installation.uninstallKey));
    for (const wchar_t* key : kAssociationKeys) {
        CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key));
        CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, key, kOtherView));
        CHECK(KeyExists(HKEY_CURRENT_USER, key));
    }
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, otherProduct));
    install_registry::DeleteKeyTree(HKEY_LOCAL_MACHINE, otherProduct);

    // The user's data stays with its parents; the fixed files and the empty
    // "Add New" folder go.
    const std::wstring image = installation.roamingProduct + L"\\UserImage";
    CHECK(Exists(image + L"\\Album\\picture.png"));
    CHECK_FALSE(Exists(image + L"\\" + AddNewName()));
    CHECK_FALSE(Exists(installation.roamingProduct + L"\\exception.log"));
    CHECK_FALSE(Exists(installation.roamingProduct + L"\\Updater"));
    CHECK_FALSE(Exists(installation.localProduct));

    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a listed file locked through the whole run stays; the launcher is let go and the rest goes")
{
    Installation installation(L"locked-file");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    const std::wstring root = installation.folder.Path();
    // Held open without delete sharing until the run has ended.
    HANDLE lock = CreateFileW((root + L"\\data\\a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(lock != INVALID_HANDLE_VALUE);

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
    CloseHandle(lock);
    // The final message is still 136 and every process, the launcher
    // included, has ended with 0.
    CheckCompleted(result);

    CHECK(Exists(root + L"\\data\\a.txt"));
    CHECK_FALSE(Exists(root + L"\\data\\sub"));
    CHECK_FALSE(Exists(root + L"\\tavrelunsetup.dat"));
    CHECK_FALSE(Exists(root + L"\\unsetup.def"));
    CHECK_FALSE(Exists(installation.program));
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("for the current user only the user's hive is touched; user data goes, links stay unfollowed")
{
    Installation installation(L"current-user");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(true));
    REQUIRE(installation.InstallKeys(HKEY_CURRENT_USER));
    REQUIRE(installation.InstallKeys(HKEY_LOCAL_MACHINE));
    REQUIRE(installation.InstallAppData());
    e2e::ScratchFolder outside(L"unsetup-current-user-outside");
    REQUIRE(outside.Ready());
    REQUIRE(MakeFile(outside.PathOf(L"not-mine.png")));
    REQUIRE(test_links::MakeFolderLink(installation.roamingProduct + L"\\UserImage\\Linked", outside.Path()));
    // A file that the uninstall deletes, made a hard link to a protected file.
    const DWORD guarded = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const std::wstring protectedFile = outside.PathOf(L"protected.sys");
    const std::wstring log = installation.roamingProduct + L"\\exception.log";
    REQUIRE(MakeFile(protectedFile));
    REQUIRE(DeleteFileW(log.c_str()));
    REQUIRE(CreateHardLinkW(log.c_str(), protectedFile.c_str(), nullptr));
    REQUIRE(SetFileAttributesW(protectedFile.c_str(), guarded));

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::YesWithUserData);
    CheckCompleted(result);
    // The link shares the protected file's attributes: left as they were, so
    // the read-only link stays too.
    CHECK((GetFileAttributesW(protectedFile.c_str()) & guarded) == guarded);
    SetFileAttributesW(protectedFile.c_str(), FILE_ATTRIBUTE_NORMAL);

    // Everything listed, so the installation folder goes as well.
    CHECK_FALSE(Exists(installation.folder.Path()));

    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, installation.baseKey));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, installation.baseKey));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, installation.uninstallKey));
    for (const wchar_t* key : kAssociationKeys) {
        CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, key));
        CHECK(KeyExists(HKEY_LOCAL_MACHINE, key));
    }

    const std::wstring image = installation.roamingProduct + L"\\UserImage";
    CHECK_FALSE(Exists(image + L"\\Album"));
    CHECK_FALSE(Exists(image + L"\\" + AddNewName()));
    // The link's target is untouched; the link itself keeps UserImage.
    CHECK(Exists(outside.PathOf(L"not-mine.png")));
    CHECK(Exists(image + L"\\Linked"));

    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a per-user installation's manifest reaches nothing outside the installation and the profile, nor the machine's keys")
{
    Installation installation(L"per-user-manifest");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(true));
    e2e::ScratchFolder elsewhere(L"unsetup-per-user-manifest-elsewhere");
    REQUIRE(elsewhere.Ready());
    const std::wstring victim = elsewhere.PathOf(L"system.dll");
    const std::wstring emptyFolder = elsewhere.PathOf(L"Empty");
    REQUIRE(MakeFile(victim));
    REQUIRE(MakeFolders({emptyFolder}));
    // Tavrel! is installed for all users elsewhere as well.
    REQUIRE(installation.InstallKeys(HKEY_CURRENT_USER));
    REQUIRE(installation.InstallKeys(HKEY_LOCAL_MACHINE, elsewhere.Path()));
    // The manifest of a per-user installation is the user's to edit: it
    // names files elsewhere and claims an installation for all users.
    const std::wstring root = installation.folder.Path();
    REQUIRE(installation.WriteManifest({root + L"\\data\\a.txt", root + L"\\data\\sub\\b.txt", victim,
                                        root + L"\\tavrelunsetup.dat", root + L"\\unsetup.def",
                                        root + L"\\unsetup.exe"},
                                       {root, root + L"\\data", root + L"\\data\\sub", emptyFolder}, false));

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
    CheckCompleted(result);

    CHECK(Exists(victim));
    CHECK(Exists(emptyFolder));
    CHECK_FALSE(Exists(root));
    // The machine's installation keeps its keys; the user's go.
    CHECK_FALSE(KeyExists(HKEY_CURRENT_USER, installation.baseKey));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, installation.baseKey));
    CHECK(KeyExists(HKEY_LOCAL_MACHINE, installation.uninstallKey));
    for (const wchar_t* key : kAssociationKeys)
        CHECK(KeyExists(HKEY_LOCAL_MACHINE, key));
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a test edition keeps the associations")
{
    Installation installation(L"test-edition", L"test");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    REQUIRE(installation.InstallKeys(HKEY_LOCAL_MACHINE));

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
    CheckCompleted(result);

    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, installation.baseKey));
    CHECK_FALSE(KeyExists(HKEY_LOCAL_MACHINE, installation.uninstallKey));
    for (const wchar_t* key : kAssociationKeys)
        CHECK(KeyExists(HKEY_LOCAL_MACHINE, key));
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a program planted under the core's name in a temporary folder is never run")
{
    Installation installation(L"planted");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    {
        PlantedProgram inUserTemp(installation.temp.PathOf(L"tavrelunsetup.bin"));
        PlantedProgram inSystemTemp(SystemTemp() + L"\\tavrelunsetup.bin");
        REQUIRE(inUserTemp.planted);
        REQUIRE(inSystemTemp.planted);

        DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
        CheckCompleted(result);
        CHECK_FALSE(inUserTemp.Ran());
        CHECK_FALSE(inSystemTemp.Ran());
        CHECK_FALSE(Exists(installation.folder.PathOf(L"data\\a.txt")));
    }
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a program put under the launcher's name while it asks never runs as the core")
{
    Installation installation(L"swapped-launcher");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    const std::wstring aside = installation.program + L".old";
    const std::wstring replacement = standin::VariantPath(standin::kVersion1_3_0);
    bool renamed = false;

    // A user who can write the installation folder swaps the running program.
    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes, [&] {
        renamed = MoveFileW(installation.program.c_str(), aside.c_str()) != FALSE;
        if (renamed)
            CopyFileW(replacement.c_str(), installation.program.c_str(), FALSE);
    });
    INFO("renamed: " << renamed);
    CheckCompleted(result);
    for (const std::wstring& added : installation.NewInSystemTemp())
        CHECK_FALSE(Exists(standin::MarkerPathFor(added + L"\\tavrelunsetup.bin")));
    CHECK_FALSE(Exists(installation.folder.PathOf(L"data\\a.txt")));
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("an event under the core's name made first by another program: 137, nothing copied or started")
{
    Installation installation(L"event-taken");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));
    HANDLE taken = CreateEventW(nullptr, FALSE, FALSE, L"TavrelUninstallCore");
    REQUIRE(taken != nullptr);

    DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
    CloseHandle(taken);
    INFO(e2e::Describe(result.run));
    CHECK(result.dialogShown);
    CHECK_FALSE(result.run.timedOut);
    REQUIRE(result.run.messageBoxes.size() == 1);
    CheckBox(result.run.messageBoxes[0], kCaption,
             e2e::Localized(L"Could not start uninstallation process.",
                            L"アンインストール処理を起動することができませんでした。"),
             IconKind::Error);
    CHECK(result.run.processes.size() == 1);
    CHECK(Exists(installation.folder.PathOf(L"data\\a.txt")));
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("No, Escape and the close box end the launcher with no message and nothing copied")
{
    Installation installation(L"declined");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));

    Answer answer = Answer::No;
    std::wstring arguments;
    SUBCASE("No") {}
    SUBCASE("Escape") { answer = Answer::Escape; }
    SUBCASE("the close box") { answer = Answer::CloseBox; }
    SUBCASE("a capital /U runs the launcher") { arguments = L"/U1,5"; }

    DialogRun result = RunWithConfirmation(installation.Launch(arguments), answer);
    INFO(e2e::Describe(result.run));
    CHECK(result.dialogShown);
    CHECK_FALSE(result.run.timedOut);
    CHECK(result.run.exitCode == 0u);
    CHECK(result.run.messageBoxes.empty());
    CHECK(result.run.processes.size() == 1);
    CHECK(installation.TemporaryLeftovers() == "");
    CHECK(Exists(installation.folder.PathOf(L"data\\a.txt")));
}

TEST_CASE("the launcher refuses before the question")
{
    Installation installation(L"refused");
    REQUIRE(installation.ready);

    SUBCASE("while Tavrel! runs")
    {
        e2e::ScratchFolder runningFolder(L"unsetup-refused-tavrel");
        std::wstring running =
            runningFolder.CopyProgram(standin::VariantPath(standin::kVersion1_3_0), L"tavrel.exe");
        REQUIRE(!running.empty());
        standin::Process tavrel;
        REQUIRE(tavrel.Start(running, L"/ExitAfter:60000"));
        RunResult run = uiauto::Run(installation.Launch(), uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == 0u);
        CHECK(run.windows.empty());
        REQUIRE(run.messageBoxes.size() == 1);
        CheckBox(run.messageBoxes[0], kCaption,
                 e2e::Localized(L"Please quit Tavrel! and try again.", L"Tavrel!を終了させてから実行してください。"),
                 IconKind::Error);
    }
    SUBCASE("without unsetup.def: the caption is \"Tavrel!\"")
    {
        REQUIRE(DeleteFileW(installation.folder.PathOf(L"unsetup.def").c_str()));
        RunResult run = uiauto::Run(installation.Launch(), uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == 0u);
        REQUIRE(run.messageBoxes.size() == 1);
        CheckBox(run.messageBoxes[0], L"Tavrel!", DefinitionFailedText(), IconKind::Error);
    }
    SUBCASE("an Edition with a leading blank")
    {
        REQUIRE(Installation::WriteText(installation.folder.PathOf(L"unsetup.def"),
                                        DefinitionText(installation.name, L" normal")));
        RunResult run = uiauto::Run(installation.Launch(), uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == 0u);
        REQUIRE(run.messageBoxes.size() == 2);
        CheckBox(run.messageBoxes[0], kCaption, L"Invalid XML Node value: <Edition>", IconKind::Error);
        CheckBox(run.messageBoxes[1], L"Tavrel!", DefinitionFailedText(), IconKind::Error);
    }
    CHECK(installation.TemporaryLeftovers() == "");
}

TEST_CASE("a core whose command line lacks two integers reads and deletes its definition, then says so")
{
    Installation installation(L"bad-switch");
    REQUIRE(installation.ready);
    const std::wstring definition = installation.folder.PathOf(L"tavrelunsetup.def");
    std::wstring arguments;
    SUBCASE("/u alone") { arguments = L"/u"; }
    SUBCASE("/ux") { arguments = L"/ux"; }
    REQUIRE(CopyFileW(installation.folder.PathOf(L"unsetup.def").c_str(), definition.c_str(), FALSE));

    RunResult run = uiauto::Run(installation.Launch(arguments), uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
    INFO(e2e::Describe(run));
    CHECK(run.exitCode == 0u);
    REQUIRE(run.messageBoxes.size() == 1);
    CheckBox(run.messageBoxes[0], kCaption,
             e2e::Localized(L"Internal error has occurred. Could not process uninstall. (00)",
                            L"内部エラーが発生しました。アンインストールを続行できません。(00)"),
             IconKind::Error);
    CHECK_FALSE(Exists(definition));
}

TEST_CASE("a core that cannot bind to its launcher says so, then that the uninstall failed")
{
    Installation installation(L"core-failures");
    REQUIRE(installation.ready);
    REQUIRE(installation.InstallFiles(false));

    SUBCASE("the launcher's process has ended: 138, then 145")
    {
        // Wine hands the id of an ended process to the next process at once,
        // which would be the core itself; an id that no process holds stands
        // for it.
        const DWORD endedId = 0x7FFFFFF0;
        HANDLE probe = OpenProcess(SYNCHRONIZE, FALSE, endedId);
        if (probe)
            CloseHandle(probe);
        REQUIRE(probe == nullptr);
        REQUIRE(CopyFileW(installation.folder.PathOf(L"unsetup.def").c_str(),
                          installation.folder.PathOf(L"tavrelunsetup.def").c_str(), FALSE));
        RunResult run = uiauto::Run(installation.Launch(L"/u0," + std::to_wstring(endedId)), uiauto::AnswerRules(),
                                    e2e::kProgramTimeoutMs);
        INFO(e2e::Describe(run));
        CHECK(run.exitCode == 0u);
        REQUIRE(run.messageBoxes.size() == 2);
        CheckBox(run.messageBoxes[0], kCaption,
                 e2e::Localized(L"Internal error has occurred. Could not process uninstall. (01)",
                                L"内部エラーが発生しました。アンインストールを続行できません。(01)"),
                 IconKind::Error);
        CheckBox(run.messageBoxes[1], kCaption, FailedText(), IconKind::Error);
        CHECK(Exists(installation.folder.PathOf(L"data\\a.txt")));
    }
    SUBCASE("started by hand with the id of a program that is not its launcher: 138, then 145, nothing deleted")
    {
        // Any running program with a manifest of the attacker's beside it,
        // the event made first and a guessed handle value on the line.
        e2e::ScratchFolder bait(L"unsetup-core-failures-bait");
        const std::wstring other = bait.CopyProgram(standin::VariantPath(standin::kVersion1_3_0), L"other.exe");
        REQUIRE(!other.empty());
        REQUIRE(Installation::WriteText(bait.PathOf(L"tavrelunsetup.dat"),
                                        L"<TavrelUninstall><Components><File>"
                                            + installation.folder.PathOf(L"data\\a.txt")
                                            + L"</File></Components></TavrelUninstall>"));
        standin::Process running;
        REQUIRE(running.Start(other, L"/ExitAfter:60000"));
        HANDLE event = CreateEventW(nullptr, FALSE, FALSE, L"TavrelUninstallCore");
        REQUIRE(event != nullptr);
        REQUIRE(CopyFileW(installation.folder.PathOf(L"unsetup.def").c_str(),
                          installation.folder.PathOf(L"tavrelunsetup.def").c_str(), FALSE));
        RunResult run = uiauto::Run(installation.Launch(L"/u0," + std::to_wstring(running.Id()) + L",4"),
                                    uiauto::AnswerRules(), e2e::kProgramTimeoutMs);
        CloseHandle(event);
        INFO(e2e::Describe(run));
        REQUIRE(run.messageBoxes.size() == 2);
        CheckBox(run.messageBoxes[0], kCaption,
                 e2e::Localized(L"Internal error has occurred. Could not process uninstall. (01)",
                                L"内部エラーが発生しました。アンインストールを続行できません。(01)"),
                 IconKind::Error);
        CheckBox(run.messageBoxes[1], kCaption, FailedText(), IconKind::Error);
        CHECK(Exists(installation.folder.PathOf(L"data\\a.txt")));
        CHECK(Exists(other));
    }
    SUBCASE("no manifest beside the launcher: 144, then 145, and the launcher is let go at once")
    {
        REQUIRE(DeleteFileW(installation.folder.PathOf(L"tavrelunsetup.dat").c_str()));
        DWORD start = GetTickCount();
        DialogRun result = RunWithConfirmation(installation.Launch(), Answer::Yes);
        DWORD elapsed = GetTickCount() - start;
        INFO(e2e::Describe(result.run));
        CHECK(result.dialogShown);
        CHECK_FALSE(result.run.timedOut);
        // Well below the launcher's three-minute wait.
        CHECK(elapsed < 60000u);
        REQUIRE(result.run.messageBoxes.size() == 2);
        CheckBox(result.run.messageBoxes[0], kCaption,
                 e2e::Localized(L"Failed load uninstallation information.(01)",
                                L"アンインストール情報ファイルを読み込めませんでした。アンインストールを続行できません。"),
                 IconKind::Error);
        CheckBox(result.run.messageBoxes[1], kCaption, FailedText(), IconKind::Error);
        CHECK(Exists(installation.folder.PathOf(L"data\\a.txt")));
        CHECK(Exists(installation.program));
        // No self-removal after a failure: the core's copy stays in its
        // working folder, its definition does not.
        CHECK(FolderEntries(installation.temp.Path()).empty());
        std::vector<std::wstring> added = installation.NewInSystemTemp();
        REQUIRE(added.size() == 1u);
        CHECK(Exists(added[0] + L"\\tavrelunsetup.bin"));
        CHECK_FALSE(Exists(added[0] + L"\\tavrelunsetup.def"));
        CHECK(e2e::RemoveFolderTree(added[0]));
    }
}
