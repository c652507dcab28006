// The checks before the copy: the installation folder's name, and which
// folder's drive the free space is measured on.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "packsetup/free_space.h"
#include "packsetup/install_folder_name.h"
#include "xml_test_support.h"

TEST_CASE("the installation folder must be a named folder below a drive letter")
{
    CHECK(CheckInstallFolderName(L"C:\\Tavrel") == InstallFolderProblem::None);
    CHECK(CheckInstallFolderName(L"D:\\Program Files\\Halvest\\Tavrel!\\") == InstallFolderProblem::None);
    CHECK(CheckInstallFolderName(L"C:\\a") == InstallFolderProblem::None);

    CHECK(CheckInstallFolderName(L"C:\\") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"C:") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"C:Tavrel") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"\\\\server\\share\\Tavrel") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"Tavrel\\data") == InstallFolderProblem::InvalidName);
    // Too long for the MAX_PATH buffers that every path below it is built in.
    CHECK(CheckInstallFolderName(L"C:\\" + std::wstring(256, L'a')) == InstallFolderProblem::None);
    CHECK(CheckInstallFolderName(L"C:\\" + std::wstring(257, L'a')) == InstallFolderProblem::InvalidName);
}

TEST_CASE("characters that no folder name may hold are refused")
{
    for (wchar_t c : std::wstring(L"/*?\"<>|\r\n\t")) {
        std::wstring folder = std::wstring(L"C:\\Tav") + c + L"rel";
        CAPTURE(static_cast<int>(c));
        CHECK(CheckInstallFolderName(folder) == InstallFolderProblem::InvalidCharacters);
    }
    // The form is checked first.
    CHECK(CheckInstallFolderName(L"C:|") == InstallFolderProblem::InvalidName);
    CHECK(CheckInstallFolderName(L"C:\\Tavrel: Pro") == InstallFolderProblem::None);
}

TEST_CASE("free space is measured on the folder itself, or on its drive root while it does not exist")
{
    xml_test::ScratchFolder root(L"free-space");
    REQUIRE(root.created());
    CHECK(FreeSpaceQueryFolder(root.path()) == root.path());
    CHECK(FreeSpaceQueryFolder(root.path() + L"\\") == root.path());
    CHECK(FreeSpaceQueryFolder(root.File(L"not\\there\\yet")) == root.path().substr(0, 3));

    // A file of that name is no folder to measure either.
    REQUIRE(xml_test::WriteBytes(root.File(L"file"), "x"));
    CHECK(FreeSpaceQueryFolder(root.File(L"file")) == root.path().substr(0, 3));

    CHECK(HasFreeSpaceFor(root.File(L"not\\there\\yet"), 0));
    CHECK_FALSE(HasFreeSpaceFor(root.path(), ~0ull));
    // A drive that does not exist has no free space to read.
    CHECK_FALSE(HasFreeSpaceFor(L"Q:\\Tavrel", 0));
}
