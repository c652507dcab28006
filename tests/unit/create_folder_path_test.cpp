// Creating a target folder level by level and recording every level.
#include <doctest/doctest.h>

#include <string>

#include "package_test_support.h"
#include "packsetup/create_folder_path.h"
#include "packsetup/installed_items.h"

using package_test::CleanInstallerState;
using package_test::IsFolder;
using package_test::Paths;

namespace {

// Every level of a full path below its drive root, from the top down.
Paths LevelsBelowDrive(const std::wstring& path)
{
    Paths levels;
    for (size_t separator = path.find(L'\\', 3); ; separator = path.find(L'\\', separator + 1)) {
        levels.push_back(path.substr(0, separator));
        if (separator == std::wstring::npos)
            break;
    }
    return levels;
}

std::wstring CurrentFolder()
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetCurrentDirectoryW(MAX_PATH, buffer);
    return std::wstring(buffer, length);
}

const Paths& Recorded()
{
    return Installer().installedFolders.Paths();
}

} // namespace

TEST_CASE("every level of the path is created and recorded, the drive root excluded")
{
    CleanInstallerState state;
    xml_test::ScratchFolder root(L"levels");
    REQUIRE(root.created());
    REQUIRE(root.path()[1] == L':');
    std::wstring before = CurrentFolder();

    std::wstring target = root.File(L"A\\B\\data");
    REQUIRE(CreateFolderPath(target + L"\\"));
    CHECK(IsFolder(target));
    CHECK(Recorded() == LevelsBelowDrive(target));
    CHECK(Recorded().front().size() > 3);
    CHECK(CurrentFolder() == before);
}

TEST_CASE("the same folder reached twice is recorded once, a different spelling twice")
{
    CleanInstallerState state;
    xml_test::ScratchFolder root(L"levels-twice");
    REQUIRE(root.created());
    REQUIRE(CreateFolderPath(root.File(L"data\\one")));
    size_t afterFirst = Recorded().size();
    REQUIRE(CreateFolderPath(root.File(L"data\\one")));
    CHECK(Recorded().size() == afterFirst);

    REQUIRE(CreateFolderPath(root.File(L"DATA\\one")));
    REQUIRE(Recorded().size() == afterFirst + 2);
    CHECK(Recorded()[afterFirst] == root.File(L"DATA"));
    CHECK(Recorded()[afterFirst + 1] == root.File(L"DATA\\one"));
}

TEST_CASE("a level that cannot be entered fails and the current folder comes back")
{
    CleanInstallerState state;
    xml_test::ScratchFolder root(L"levels-blocked");
    REQUIRE(root.created());
    REQUIRE(package_test::WriteSizedFile(root.File(L"file"), 1));
    std::wstring before = CurrentFolder();

    CHECK_FALSE(CreateFolderPath(root.File(L"file\\sub")));
    CHECK(CurrentFolder() == before);
    CHECK_FALSE(IsFolder(root.File(L"file\\sub")));
    // The levels above the blocked one were entered and are recorded.
    CHECK(Recorded().back() == root.path());
}

TEST_CASE("unusual path forms")
{
    CleanInstallerState state;
    SUBCASE("a drive root alone has no level")
    {
        CHECK(CreateFolderPath(L"C:\\"));
        CHECK(Recorded().empty());
    }
    SUBCASE("a share path that names only its server fails")
    {
        CHECK_FALSE(CreateFolderPath(L"\\\\server"));
        CHECK_FALSE(CreateFolderPath(L"\\\\server\\"));
        CHECK(Recorded().empty());
    }
    SUBCASE("a path that does not fit MAX_PATH is not cut and not created")
    {
        xml_test::ScratchFolder root(L"levels-long");
        REQUIRE(root.created());
        std::wstring path = root.File(std::wstring(MAX_PATH, L'x'));
        CHECK_FALSE(CreateFolderPath(path));
        CHECK(Recorded().empty());
        CHECK(xml_test::ListFolder(root.path()).empty());
    }
    SUBCASE("doubled backslashes add no level")
    {
        xml_test::ScratchFolder root(L"levels-double");
        REQUIRE(root.created());
        REQUIRE(CreateFolderPath(root.path() + L"\\\\x\\\\y"));
        CHECK(IsFolder(root.File(L"x\\y")));
        CHECK(Recorded().back() == root.File(L"x\\y"));
    }
}

TEST_CASE("a recorded folder loses one trailing backslash, a drive root keeps it")
{
    CleanInstallerState state;
    RecordInstalledFolder(L"C:\\App\\data\\");
    RecordInstalledFolder(L"C:\\App\\data");
    RecordInstalledFolder(L"D:\\");
    CHECK(Recorded() == Paths{L"C:\\App\\data", L"D:\\"});
}
