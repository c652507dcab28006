// What the uninstall worker lists for removal: the fixed places, the
// manifest's entries, the folder list's rules and the deepest-first order;
// and what an untrusted manifest can still reach.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "packsetup/open_without_links.h"
#include "tests/unit/package_test_support.h"
#include "tests/unit/xml_test_support.h"
#include "unsetup/app_data_items.h"
#include "unsetup/manifest_items.h"
#include "unsetup/manifest_trust.h"
#include "unsetup/work_lists.h"

typedef std::vector<std::wstring> Paths;

TEST_CASE("the folder list drops one trailing backslash and keeps each spelling once")
{
    UninstallWorkLists lists;
    lists.AddFolder(L"C:\\App\\Data\\");
    lists.AddFolder(L"C:\\App\\Data");
    lists.AddFolder(L"C:\\App\\data");
    lists.AddFolder(L"C:\\");
    lists.AddFolder(L"C:\\");
    CHECK(lists.Folders() == Paths{L"C:\\App\\Data", L"C:\\App\\data", L"C:\\"});
}

TEST_CASE("the file list keeps repeats and order")
{
    UninstallWorkLists lists;
    lists.AddFile(L"C:\\App\\a.txt");
    lists.AddFile(L"C:\\App\\B.txt\\");
    lists.AddFile(L"C:\\App\\a.txt");
    CHECK(lists.Files() == Paths{L"C:\\App\\a.txt", L"C:\\App\\B.txt\\", L"C:\\App\\a.txt"});
}

TEST_CASE("paths that do not fit MAX_PATH or are not full paths are skipped, not cut")
{
    UninstallWorkLists lists;
    std::wstring fits = L"C:\\" + std::wstring(256, L'f');    // 259 characters
    std::wstring tooLong = L"C:\\" + std::wstring(257, L'g'); // 260 characters
    lists.AddFile(fits);
    lists.AddFile(tooLong);
    lists.AddFolder(tooLong);
    lists.AddFolder(tooLong + L"\\");
    lists.AddFile(L"");
    lists.AddFolder(L"");
    lists.AddFile(L"relative\\file.txt");
    lists.AddFolder(L"relative");
    CHECK(lists.Files() == Paths{fits});
    CHECK(lists.Folders().empty());
}

TEST_CASE("folders are removed deepest first, in descending ordinal order")
{
    UninstallWorkLists lists;
    lists.AddFolder(L"C:\\A");
    lists.AddFolder(L"C:\\A\\B");
    lists.AddFolder(L"C:\\a");
    lists.AddFolder(L"C:\\A\\B\\C");
    lists.AddFolder(L"C:\\A B");
    lists.AddFolder(L"C:\\Z\\新規追加");
    lists.AddFolder(L"C:\\Z");
    lists.AddFolder(L"C:\\Z\\Zeta");
    // Code units as unsigned numbers: "新" (U+65B0) after every ASCII letter,
    // "a" after "A", and a folder after every folder inside it.
    CHECK(lists.FoldersDeepestFirst()
          == Paths{L"C:\\a", L"C:\\Z\\新規追加", L"C:\\Z\\Zeta", L"C:\\Z", L"C:\\A\\B\\C", L"C:\\A\\B", L"C:\\A B", L"C:\\A"});
}

TEST_CASE("the fixed places below the application-data folders")
{
    UninstallWorkLists lists;
    AddRoamingDataItems(lists, L"C:\\Roaming", L"Halvest\\Tavrel!", L"新規追加");
    AddLocalDataItems(lists, L"C:\\Local\\", L"Halvest\\Tavrel!");

    const std::wstring p = L"C:\\Roaming\\Halvest\\Tavrel!";
    const std::wstring l = L"C:\\Local\\Halvest\\Tavrel!";
    CHECK(lists.Files()
          == Paths{p + L"\\$$AutoBackup$$.tvd", p + L"\\exception.log", p + L"\\Updater\\updater.exe",
                   l + L"\\updater.exe"});
    CHECK(lists.Folders()
          == Paths{L"C:\\Roaming\\Halvest", p, p + L"\\Updater", p + L"\\UserCharacter",
                   p + L"\\UserCharacter\\新規追加", p + L"\\UserImage", p + L"\\UserImage\\新規追加",
                   p + L"\\UserModel", p + L"\\UserModel\\新規追加", p + L"\\UserSnap", p + L"\\UserSnap\\新規追加",
                   L"C:\\Local\\Halvest", l});
}

TEST_CASE("the manifest's components are listed in document order")
{
    xml_test::ComApartment apartment;
    qz_xml::QXMLDocument manifest = xml_test::DocumentFromMarkup(
        L"<TavrelUninstall><Options><CurrentUser>1</CurrentUser></Options><Components>"
        L"<File>C:\\App\\b.dat</File><File>C:\\App\\a.dat</File><File>C:\\App\\b.dat</File><File></File>"
        L"<Directory>C:\\App\\Sub\\</Directory><Directory>C:\\App\\Sub</Directory><Directory>C:\\App</Directory>"
        L"</Components><Other><File>C:\\not-a-component.txt</File></Other></TavrelUninstall>");
    REQUIRE(manifest.IsValid());
    UninstallWorkLists lists;
    AddManifestItems(lists, manifest);
    CHECK(lists.Files() == Paths{L"C:\\App\\b.dat", L"C:\\App\\a.dat", L"C:\\App\\b.dat"});
    CHECK(lists.Folders() == Paths{L"C:\\App\\Sub", L"C:\\App"});
}

TEST_CASE("current-user mode is a CurrentUser value that is not 0")
{
    xml_test::ComApartment apartment;
    auto modeOf = [](const std::wstring& options) {
        qz_xml::QXMLDocument manifest =
            xml_test::DocumentFromMarkup(L"<TavrelUninstall>" + options + L"<Components/></TavrelUninstall>");
        REQUIRE(manifest.IsValid());
        return IsCurrentUserMode(manifest);
    };
    CHECK(modeOf(L"<Options><CurrentUser>1</CurrentUser></Options>"));
    CHECK(modeOf(L"<Options><CurrentUser> -2x</CurrentUser></Options>"));
    CHECK(modeOf(L"<Options><CurrentUser>00000000000000000000001</CurrentUser></Options>"));
    CHECK(modeOf(L"<Options><CurrentUser>99999999999999999999</CurrentUser></Options>"));
    CHECK_FALSE(modeOf(L"<Options><CurrentUser>0</CurrentUser></Options>"));
    CHECK_FALSE(modeOf(L"<Options><CurrentUser>+000</CurrentUser></Options>"));
    CHECK_FALSE(modeOf(L"<Options><CurrentUser>yes</CurrentUser></Options>"));
    CHECK_FALSE(modeOf(L"<Options><CurrentUser/></Options>"));
    CHECK_FALSE(modeOf(L"<Options/>"));
    CHECK_FALSE(modeOf(L""));
}

TEST_CASE("an untrusted manifest reaches the installation, the profile and the levels above; fixed places go")
{
    xml_test::ScratchFolder root(L"untrusted-manifest");
    REQUIRE(root.created());
    const std::wstring profile = root.File(L"Profile");
    const std::wstring parent = profile + L"\\Parent";
    const std::wstring installed = parent + L"\\Install";
    // The profile of an administrator whose credentials elevated another
    // user's uninstall: that user's installation does not lie in it.
    const std::wstring otherProfile = root.File(L"OtherProfile");
    const std::wstring elsewhere = root.File(L"Elsewhere");
    for (const std::wstring& folder : {profile, parent, installed, installed + L"\\data", otherProfile, elsewhere,
                                       elsewhere + L"\\Empty"})
        REQUIRE(package_test::MakeFolder(folder));
    for (const std::wstring& file : {installed + L"\\data\\a.txt", profile + L"\\b.txt", otherProfile + L"\\c.txt",
                                     elsewhere + L"\\victim.dll", elsewhere + L"\\exception.log"})
        REQUIRE(package_test::WriteSizedFile(file, 1));

    UninstallWorkLists lists;
    lists.AddFile(elsewhere + L"\\exception.log");
    const UninstallWorkLists::Origin manifest = UninstallWorkLists::Origin::Manifest;
    for (const std::wstring& file :
         {installed + L"\\data\\a.txt", profile + L"\\b.txt", elsewhere + L"\\victim.dll"})
        lists.AddFile(file, manifest);
    for (const std::wstring& folder : {parent, installed, installed + L"\\data", elsewhere + L"\\Empty"})
        lists.AddFolder(folder, manifest);
    FolderBounds bounds;
    BoundUntrustedManifest(bounds, installed, profile);
    DeleteListedFiles(lists, &bounds);
    RemoveListedFolders(lists, &bounds);

    CHECK_FALSE(xml_test::FileExists(parent));
    CHECK_FALSE(xml_test::FileExists(profile + L"\\b.txt"));
    CHECK_FALSE(xml_test::FileExists(elsewhere + L"\\exception.log"));
    CHECK(xml_test::FileExists(elsewhere + L"\\victim.dll"));
    CHECK(package_test::IsFolder(elsewhere + L"\\Empty"));

    REQUIRE((package_test::MakeFolder(parent) && package_test::MakeFolder(installed)));
    UninstallWorkLists other;
    other.AddFile(otherProfile + L"\\c.txt", manifest);
    FolderBounds otherBounds;
    BoundUntrustedManifest(otherBounds, installed, otherProfile);
    DeleteListedFiles(other, &otherBounds);
    CHECK(xml_test::FileExists(otherProfile + L"\\c.txt"));
}
