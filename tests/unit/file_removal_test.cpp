// Deleting files and removing empty folders with bounded retries.
#include <doctest/doctest.h>

#include <string>

#include "package_test_support.h"
#include "packsetup/file_removal.h"

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
