// Deleting files and removing empty folders with bounded retries.
#include <doctest/doctest.h>

#include <string>

#include "package_test_support.h"
#include "packsetup/file_removal.h"
#include "packsetup/open_without_links.h"

using package_test::CountedWaits;
using package_test::IsFolder;
using package_test::MakeFolder;
using package_test::WriteSizedFile;

TEST_CASE("a missing file or an empty path counts as deleted at once")
{
    xml_test::ScratchFolder root(L"remove-missing");
    REQUIRE(root.created());
    CountedWaits waits;
    CHECK(DeleteFileWithRetry(root.File(L"absent.txt")));
    CHECK(DeleteFileWithRetry(L""));
    CHECK(waits.waits().empty());
}

TEST_CASE("a read-only, hidden file is deleted")
{
    xml_test::ScratchFolder root(L"remove-readonly");
    REQUIRE(root.created());
    std::wstring path = root.File(L"locked.txt");
    REQUIRE(WriteSizedFile(path, 8));
    REQUIRE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    CountedWaits waits;
    CHECK(DeleteFileWithRetry(path));
    CHECK_FALSE(xml_test::FileExists(path));
    CHECK(waits.waits().empty());
}

TEST_CASE("a file with a second name is deleted with its attributes untouched: the other name keeps them")
{
    xml_test::ScratchFolder root(L"remove-hard-link");
    REQUIRE(root.created());
    const DWORD guarded = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    const DWORD hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    std::wstring guardedFile = root.File(L"guarded.sys");
    std::wstring hiddenFile = root.File(L"hidden.sys");
    REQUIRE(WriteSizedFile(guardedFile, 8));
    REQUIRE(WriteSizedFile(hiddenFile, 8));
    REQUIRE(CreateHardLinkW(root.File(L"guarded.log").c_str(), guardedFile.c_str(), nullptr));
    REQUIRE(CreateHardLinkW(root.File(L"hidden.log").c_str(), hiddenFile.c_str(), nullptr));
    REQUIRE(SetFileAttributesW(guardedFile.c_str(), guarded));
    REQUIRE(SetFileAttributesW(hiddenFile.c_str(), hidden));

    CountedWaits waits;
    // Read-only through its other name, so this name cannot go either.
    CHECK_FALSE(DeleteFileWithRetry(root.File(L"guarded.log")));
    CHECK((GetFileAttributesW(guardedFile.c_str()) & guarded) == guarded);
    CHECK(DeleteFileWithRetry(root.File(L"hidden.log")));
    CHECK_FALSE(xml_test::FileExists(root.File(L"hidden.log")));
    CHECK((GetFileAttributesW(hiddenFile.c_str()) & hidden) == hidden);
    SetFileAttributesW(guardedFile.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("a file held open without sharing is tried five times, 100 ms apart, and stays")
{
    xml_test::ScratchFolder root(L"remove-busy");
    REQUIRE(root.created());
    std::wstring path = root.File(L"busy.txt");
    REQUIRE(WriteSizedFile(path, 8));
    HANDLE held = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(held != INVALID_HANDLE_VALUE);
    CountedWaits waits;
    CHECK_FALSE(DeleteFileWithRetry(path));
    CloseHandle(held);
    CHECK(xml_test::FileExists(path));
    CHECK(waits.waits() == std::vector<DWORD>(4, 100));
}

TEST_CASE("a folder that still holds something stays and counts as done")
{
    xml_test::ScratchFolder root(L"remove-full");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"full")));
    REQUIRE(WriteSizedFile(root.File(L"full\\keep.txt"), 1));
    CountedWaits waits;
    CHECK(RemoveEmptyFolder(root.File(L"full")));
    CHECK(IsFolder(root.File(L"full")));
    CHECK(RemoveEmptyFolder(root.File(L"absent")));
    CHECK(RemoveEmptyFolder(L""));
    // A file is not a folder: left alone.
    CHECK(RemoveEmptyFolder(root.File(L"full\\keep.txt")));
    CHECK(xml_test::FileExists(root.File(L"full\\keep.txt")));
    CHECK(waits.waits().empty());
}

TEST_CASE("an empty read-only folder is removed")
{
    xml_test::ScratchFolder root(L"remove-empty");
    REQUIRE(root.created());
    std::wstring path = root.File(L"empty");
    REQUIRE(MakeFolder(path));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
    CHECK(RemoveEmptyFolder(path));
    CHECK_FALSE(IsFolder(path));
}

TEST_CASE("an over-long path is never cut down to another one")
{
    xml_test::ScratchFolder root(L"remove-long");
    REQUIRE(root.created());
    // Cut to MAX_PATH this would name the existing file.
    std::wstring victim = root.File(std::wstring(MAX_PATH - 2 - root.path().size(), L'v'));
    REQUIRE(victim.size() == MAX_PATH - 1);
    REQUIRE(WriteSizedFile(victim, 1));
    CountedWaits waits;
    CHECK_FALSE(DeleteFileWithRetry(victim + L"xyz"));
    CHECK_FALSE(RemoveEmptyFolder(victim + L"xyz"));
    CHECK(xml_test::FileExists(victim));
    CHECK(waits.waits().empty());
}

TEST_CASE("removals kept within bounds reach a tree and single folders by what they are, not by their names")
{
    xml_test::ScratchFolder root(L"remove-bounded");
    REQUIRE(root.created());
    const std::wstring inside = root.File(L"Installed Program\\data\\a.bin");
    // Its name begins with the tree's name.
    const std::wstring victim = root.File(L"Installed Program Elsewhere\\victim.dll");
    REQUIRE(MakeFolder(root.File(L"Installed Program")));
    REQUIRE(MakeFolder(root.File(L"Installed Program\\data")));
    REQUIRE(MakeFolder(root.File(L"Installed Program Elsewhere")));
    REQUIRE(MakeFolder(root.File(L"Level")));
    REQUIRE(MakeFolder(root.File(L"Level\\Empty")));
    REQUIRE(WriteSizedFile(inside, 1));
    REQUIRE(WriteSizedFile(victim, 1));

    // The tree in other letter case and, where the system gives one, by its 8.3 alias.
    std::wstring tree = root.File(L"INSTALLED PROGRAM");
    wchar_t alias[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(tree.c_str(), alias, MAX_PATH);
    if (length > 0 && length < MAX_PATH)
        tree = alias;
    FolderBounds bounds;
    REQUIRE(bounds.AddTree(tree));
    REQUIRE(bounds.AddFolder(root.File(L"Level")));
    CHECK_FALSE(bounds.AddTree(root.File(L"absent")));
    CHECK_FALSE(bounds.AddFolder(inside));

    LinkFreeFolders folders;
    folders.KeepWithin(bounds);
    CountedWaits waits;
    CHECK(DeleteFileWithRetry(inside, folders));
    CHECK_FALSE(xml_test::FileExists(inside));
    CHECK_FALSE(DeleteFileWithRetry(victim, folders));
    CHECK(xml_test::FileExists(victim));
    // Inside a single folder is outside the bounds; the folder itself is not.
    CHECK_FALSE(RemoveEmptyFolder(root.File(L"Level\\Empty"), folders));
    CHECK(IsFolder(root.File(L"Level\\Empty")));
    REQUIRE(RemoveEmptyFolder(root.File(L"Level\\Empty")));
    CHECK(RemoveEmptyFolder(root.File(L"Level"), folders));
    CHECK_FALSE(IsFolder(root.File(L"Level")));
    CHECK(RemoveEmptyFolder(root.File(L"Installed Program\\data"), folders));
    CHECK(RemoveEmptyFolder(root.File(L"Installed Program"), folders));
    CHECK_FALSE(IsFolder(root.File(L"Installed Program")));
    // A refusal is not retried.
    CHECK(waits.waits().empty());
}
