// Copying a package into the installation folder: what is copied and
// recorded, retries and the questions put to the user.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "build_tree.h"
#include "message_box_recorder.h"
#include "package_test_support.h"
#include "packsetup/copy_file.h"
#include "packsetup/copy_package.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/res/resource.h"

using package_test::CleanInstallerState;
using package_test::CountedWaits;
using package_test::IsFolder;
using package_test::MakeFolder;
using package_test::Paths;
using package_test::ScriptedBoxes;
using package_test::WriteSizedFile;

namespace {

// A package folder and an installation folder below one scratch folder, with
// packsetup's texts and the retry pauses counted.
struct CopyFixture {
    CleanInstallerState state;
    xml_test::ScratchFolder root{L"copy-engine"};
    PackSetupTexts texts{build_tree::PackSetupPath()};
    CountedWaits waits;
    ScriptedBoxes boxes;
    FolderScanner scanner;

    std::wstring Package(const std::wstring& relative = L"") const { return root.File(L"image" + relative); }
    std::wstring Install(const std::wstring& relative = L"") const
    {
        return root.File(L"install\\A\\B" + relative);
    }

    void Prepare()
    {
        REQUIRE(root.created());
        REQUIRE(texts.Loaded());
        REQUIRE(MakeFolder(Package()));
    }

    void MakeInstallFolder()
    {
        REQUIRE(MakeFolder(root.File(L"install")));
        REQUIRE(MakeFolder(root.File(L"install\\A")));
        REQUIRE(MakeFolder(Install()));
    }

    bool Copy()
    {
        scanner.Clear();
        REQUIRE(scanner.Scan(Package().c_str(), L""));
        return CopyPackageEntries(scanner, Install(), nullptr, nullptr, nullptr);
    }

    std::wstring FailureText(const std::wstring& target) const
    {
        return target + L"\n\n" + LoadText(IDS_COPY_FAILED);
    }
};

// The files of the scan in scan order, as targets below the installation folder.
Paths TargetsOfFiles(const FolderScanner& scanner, const std::wstring& installFolder)
{
    Paths targets;
    for (const FolderScanEntry& entry : scanner.Entries()) {
        if (!(entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            targets.push_back(installFolder + entry.relativePath);
    }
    return targets;
}

bool Contains(const Paths& paths, const std::wstring& path)
{
    for (const std::wstring& listed : paths) {
        if (listed == path)
            return true;
    }
    return false;
}

// Records which progress routine each copy was given, then copies.
std::vector<LPPROGRESS_ROUTINE> routinesSeen;

bool RecordingCopy(HANDLE source, const std::wstring& target, LPPROGRESS_ROUTINE routine, void* data)
{
    routinesSeen.push_back(routine);
    return CopyOpenFile(source, target, routine, data);
}

class RecordedRoutines {
public:
    RecordedRoutines() : previous_(SetCopyFunctionForTesting(RecordingCopy)) { routinesSeen.clear(); }
    ~RecordedRoutines() { SetCopyFunctionForTesting(previous_); }
    RecordedRoutines(const RecordedRoutines&) = delete;
    RecordedRoutines& operator=(const RecordedRoutines&) = delete;

private:
    CopyFileFunction previous_;
};

} // namespace

TEST_CASE_FIXTURE(CopyFixture, "the package is copied and every file and folder level recorded")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\top.txt"), 100, 't'));
    REQUIRE(MakeFolder(Package(L"\\data")));
    REQUIRE(WriteSizedFile(Package(L"\\data\\x.bin"), 3000, 'x'));
    REQUIRE(WriteSizedFile(Package(L"\\data\\y.bin"), 0));
    REQUIRE(MakeFolder(Package(L"\\empty")));

    REQUIRE(Copy());
    CHECK(xml_test::ReadBytes(Install(L"\\top.txt")) == xml_test::ReadBytes(Package(L"\\top.txt")));
    CHECK(xml_test::ReadBytes(Install(L"\\data\\x.bin")) == xml_test::ReadBytes(Package(L"\\data\\x.bin")));
    CHECK(xml_test::FileExists(Install(L"\\data\\y.bin")));
    CHECK(Installer().installedFiles == TargetsOfFiles(scanner, Install()));

    const Paths& folders = Installer().installedFolders.Paths();
    // Every level above the installation folder, down from below the drive.
    CHECK(Contains(folders, root.path().substr(0, root.path().find(L'\\', 3))));
    CHECK(Contains(folders, root.path()));
    CHECK(Contains(folders, root.File(L"install")));
    CHECK(Contains(folders, Install()));
    CHECK(Contains(folders, Install(L"\\data")));
    // An empty folder of the package is recorded but not created.
    CHECK(Contains(folders, Install(L"\\empty")));
    CHECK_FALSE(IsFolder(Install(L"\\empty")));
    for (const std::wstring& folder : folders)
        CHECK(folder.back() != L'\\');
    CHECK(boxes.Shown().empty());
    CHECK(waits.waits().empty());
}

TEST_CASE_FIXTURE(CopyFixture, "a read-only target is overwritten and the copy left writable")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\a.txt"), 50, 'n'));
    REQUIRE(WriteSizedFile(Package(L"\\ro-source.txt"), 5, 's'));
    REQUIRE(SetFileAttributesW(Package(L"\\ro-source.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    MakeInstallFolder();
    REQUIRE(WriteSizedFile(Install(L"\\a.txt"), 7, 'o'));
    REQUIRE(SetFileAttributesW(Install(L"\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    REQUIRE(Copy());
    CHECK(xml_test::ReadBytes(Install(L"\\a.txt")) == xml_test::ReadBytes(Package(L"\\a.txt")));
    CHECK((GetFileAttributesW(Install(L"\\a.txt").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
    CHECK((GetFileAttributesW(Install(L"\\ro-source.txt").c_str()) & FILE_ATTRIBUTE_READONLY) == 0);
    SetFileAttributesW(Package(L"\\ro-source.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

namespace {
HANDLE heldTarget = INVALID_HANDLE_VALUE;

int LetGoAndRetry()
{
    CloseHandle(heldTarget);
    heldTarget = INVALID_HANDLE_VALUE;
    return IDRETRY;
}
} // namespace

TEST_CASE_FIXTURE(CopyFixture, "a locked target is retried ten times, then Retry succeeds once it is let go")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\busy.dat"), 64, 'b'));
    MakeInstallFolder();
    REQUIRE(WriteSizedFile(Install(L"\\busy.dat"), 3, 'o'));
    heldTarget = CreateFileW(Install(L"\\busy.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(heldTarget != INVALID_HANDLE_VALUE);
    boxes.Answer(LetGoAndRetry);

    CHECK(Copy());
    if (heldTarget != INVALID_HANDLE_VALUE)
        CloseHandle(heldTarget);
    REQUIRE(boxes.Shown().size() == 1);
    CHECK(boxes.Shown()[0].text == FailureText(Install(L"\\busy.dat")));
    CHECK(boxes.Shown()[0].title == L"Test Pack");
    CHECK(boxes.Shown()[0].flags == (MB_RETRYCANCEL | MB_ICONWARNING));
    CHECK(waits.waits() == std::vector<DWORD>(9, 200));
    CHECK(xml_test::ReadBytes(Install(L"\\busy.dat")) == xml_test::ReadBytes(Package(L"\\busy.dat")));
}

TEST_CASE_FIXTURE(CopyFixture, "Retry makes a series of nine attempts; Cancel ends the copy there")
{
    Prepare();
    REQUIRE(MakeFolder(Package(L"\\a")));
    REQUIRE(WriteSizedFile(Package(L"\\a\\busy.dat"), 64, 'b'));
    REQUIRE(MakeFolder(Package(L"\\z")));
    REQUIRE(WriteSizedFile(Package(L"\\z\\later.dat"), 64, 'l'));
    MakeInstallFolder();
    REQUIRE(MakeFolder(Install(L"\\a")));
    REQUIRE(WriteSizedFile(Install(L"\\a\\busy.dat"), 3, 'o'));
    HANDLE held = CreateFileW(Install(L"\\a\\busy.dat").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    boxes.Answer(IDRETRY);
    boxes.Answer(IDCANCEL);

    scanner.Clear();
    REQUIRE(scanner.Scan(Package().c_str(), L""));
    // The locked file must come first for the check below.
    REQUIRE(scanner.Entries()[0].relativePath == L"\\a");
    bool copied = CopyPackageEntries(scanner, Install(), nullptr, nullptr, nullptr);
    CloseHandle(held);

    CHECK_FALSE(copied);
    CHECK(boxes.Shown().size() == 2);
    // 10 attempts with 9 pauses, then 9 attempts with 8 pauses.
    CHECK(waits.waits() == std::vector<DWORD>(17, 200));
    CHECK(xml_test::ReadBytes(Install(L"\\a\\busy.dat")).size() == 3);
    CHECK_FALSE(xml_test::FileExists(Install(L"\\z\\later.dat")));
}

TEST_CASE_FIXTURE(CopyFixture, "a cancel request is put to the user before the next entry")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\one.txt"), 10));
    REQUIRE(WriteSizedFile(Package(L"\\two.txt"), 10));
    Installer().cancelRequested.Set();

    SUBCASE("Yes ends the copy with nothing more copied")
    {
        boxes.Answer(IDYES);
        CHECK_FALSE(Copy());
        CHECK_FALSE(xml_test::FileExists(Install(L"\\one.txt")));
        CHECK(Installer().installedFiles.empty());
    }
    SUBCASE("No clears the request and the copy goes on")
    {
        boxes.Answer(IDNO);
        CHECK(Copy());
        CHECK_FALSE(Installer().cancelRequested.IsSet());
        CHECK(xml_test::FileExists(Install(L"\\one.txt")));
        CHECK(xml_test::FileExists(Install(L"\\two.txt")));
    }
    REQUIRE(boxes.Shown().size() == 1);
    CHECK(boxes.Shown()[0].text == LoadText(IDS_CANCEL_UPDATE_QUESTION));
    CHECK(boxes.Shown()[0].flags == (MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

TEST_CASE_FIXTURE(CopyFixture, "only files above 10,485,760 bytes are copied with the progress routine")
{
    Prepare();
    REQUIRE(MakeFolder(Package(L"\\at")));
    REQUIRE(WriteSizedFile(Package(L"\\at\\limit.bin"), kLargeFileThreshold));
    REQUIRE(MakeFolder(Package(L"\\over")));
    REQUIRE(WriteSizedFile(Package(L"\\over\\limit.bin"), kLargeFileThreshold + 1));
    RecordedRoutines routines;

    REQUIRE(Copy());
    REQUIRE(routinesSeen.size() == 2);
    const Paths& files = Installer().installedFiles;
    REQUIRE(files.size() == 2);
    size_t over = files[0] == Install(L"\\over\\limit.bin") ? 0 : 1;
    CHECK((routinesSeen[over] == CopyProgress));
    CHECK((routinesSeen[1 - over] == nullptr));
    CHECK(xml_test::ReadBytes(Install(L"\\over\\limit.bin")).size() == kLargeFileThreshold + 1);
}

TEST_CASE_FIXTURE(CopyFixture, "a target path that would not fit MAX_PATH is never cut: the user is asked")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\short.txt"), 4));
    // The folder fits, the file's target below it would not.
    std::wstring longInstall = Install() + L"\\" + std::wstring(MAX_PATH - Install().size() - 10, L'n');

    scanner.Clear();
    REQUIRE(scanner.Scan(Package().c_str(), L""));
    boxes.Answer(IDRETRY);
    boxes.Answer(IDCANCEL);
    CHECK_FALSE(CopyPackageEntries(scanner, longInstall, nullptr, nullptr, nullptr));
    // Retry cannot make it fit; nothing is attempted or created.
    REQUIRE(boxes.Shown().size() == 2);
    CHECK(boxes.Shown()[1].text == FailureText(longInstall + L"\\short.txt"));
    CHECK(waits.waits().empty());
    CHECK(Installer().installedFiles.empty());
    CHECK_FALSE(IsFolder(root.File(L"install")));
}

TEST_CASE_FIXTURE(CopyFixture, "a source swapped for a hard link after the scan is not copied, nor asked about")
{
    Prepare();
    REQUIRE(WriteSizedFile(Package(L"\\a.txt"), 4, 'a'));
    REQUIRE(WriteSizedFile(root.File(L"secret.txt"), 6, 's'));
    scanner.Clear();
    REQUIRE(scanner.Scan(Package().c_str(), L""));
    REQUIRE(DeleteFileW(Package(L"\\a.txt").c_str()));
    REQUIRE(CreateHardLinkW(Package(L"\\a.txt").c_str(), root.File(L"secret.txt").c_str(), nullptr));

    CHECK_FALSE(CopyPackageEntries(scanner, Install(), nullptr, nullptr, nullptr));
    CHECK_FALSE(xml_test::FileExists(Install(L"\\a.txt")));
    CHECK(boxes.Shown().empty());
    CHECK(waits.waits().empty());
}

TEST_CASE_FIXTURE(CopyFixture, "a folder level blocked by a file ends the copy without a question")
{
    Prepare();
    REQUIRE(MakeFolder(Package(L"\\data")));
    REQUIRE(WriteSizedFile(Package(L"\\data\\x.txt"), 4));
    MakeInstallFolder();
    REQUIRE(WriteSizedFile(Install(L"\\data"), 1));

    CHECK_FALSE(Copy());
    CHECK(boxes.Shown().empty());
}

TEST_CASE_FIXTURE(CopyFixture, "Japanese and other non-ASCII names are copied and recorded unchanged")
{
    Prepare();
    std::wstring folder = L"\\\u30c7\u30fc\u30bf";          // データ
    std::wstring file = folder + L"\\\u8ffd\u52a0 caf\u00e9.txt"; // 追加 café.txt
    REQUIRE(MakeFolder(Package(folder)));
    REQUIRE(WriteSizedFile(Package(file), 33, 'j'));

    REQUIRE(Copy());
    CHECK(xml_test::ReadBytes(Install(file)) == xml_test::ReadBytes(Package(file)));
    CHECK(Installer().installedFiles == Paths{Install(file)});
    CHECK(Contains(Installer().installedFolders.Paths(), Install(folder)));
}
