// Deleting the unpacked package below the application data: the whole tree
// deepest first, the maker's folder kept, links removed but never walked,
// and no unpack folder that could lead outside the application data.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "package_test_support.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/open_without_links.h"
#include "packsetup/path_below_folder.h"
#include "packsetup/unpack_folder.h"
#include "packsetup/unpack_folder_name.h"
#include "unsetup_test_links.h"

using package_test::CountedWaits;
using package_test::IsFolder;
using package_test::MakeFolder;

namespace {

// Presents every entry with one of these names as a junction.
const wchar_t* linkNames[2] = {nullptr, nullptr};

void MarkLinks(WIN32_FIND_DATAW& data)
{
    for (const wchar_t* name : linkNames) {
        if (name && wcscmp(data.cFileName, name) == 0)
            data.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
    }
}

class PresentedLinks {
public:
    PresentedLinks(const wchar_t* first, const wchar_t* second = nullptr)
    {
        linkNames[0] = first;
        linkNames[1] = second;
        SetFindDataHookForTesting(MarkLinks);
    }
    ~PresentedLinks()
    {
        SetFindDataHookForTesting(nullptr);
        linkNames[0] = linkNames[1] = nullptr;
    }
    PresentedLinks(const PresentedLinks&) = delete;
    PresentedLinks& operator=(const PresentedLinks&) = delete;
};

// A stand-in application-data folder with Halvest\Pack unpacked in it.
struct UnpackFixture {
    xml_test::ScratchFolder appData{L"unpack-appdata"};
    CountedWaits waits;

    std::wstring Path(const std::wstring& relative) const { return appData.File(relative); }

    void Prepare()
    {
        REQUIRE(appData.created());
        REQUIRE(MakeFolder(Path(L"Halvest")));
        REQUIRE(MakeFolder(Path(L"Halvest\\Pack")));
        REQUIRE(MakeFolder(Path(L"Halvest\\Pack\\image")));
        REQUIRE(MakeFolder(Path(L"Halvest\\Pack\\image\\Materials")));
        REQUIRE(MakeFolder(Path(L"Halvest\\Pack\\image\\Empty")));
        REQUIRE(xml_test::WriteBytes(Path(L"Halvest\\Pack\\packsetup.def"), "def"));
        REQUIRE(xml_test::WriteBytes(Path(L"Halvest\\Pack\\image\\Materials\\a.txt"), "a"));
        REQUIRE(xml_test::WriteBytes(Path(L"Halvest\\Pack\\image\\Materials\\b.txt"), "b"));
        REQUIRE(SetFileAttributesW(Path(L"Halvest\\Pack\\image\\Materials\\b.txt").c_str(),
                                   FILE_ATTRIBUTE_READONLY));
        REQUIRE(xml_test::WriteBytes(Path(L"Halvest\\Other.txt"), "another package's"));
    }
};

} // namespace

TEST_CASE("SfxExtractPath is read in the spellings authors use, and nothing that leaves its folder")
{
    const wchar_t* accepted[][2] = {{L"Pack", L"Pack"},
                                    {L"Pack\\", L"Pack"},
                                    {L"\\Pack", L"Pack"},
                                    {L"Sub/Pack", L"Sub\\Pack"},
                                    {L"Sub\\\\Pack", L"Sub\\Pack"},
                                    {L"/Sub//Pack Two/", L"Sub\\Pack Two"},
                                    {L"Tavrel!", L"Tavrel!"}};
    for (const auto& spelling : accepted) {
        CAPTURE(std::wstring(spelling[0]));
        std::wstring normalized;
        CHECK(NormalizeExtractPath(spelling[0], normalized));
        CHECK(normalized == spelling[1]);
    }
    for (const wchar_t* refused : {L"", L"\\", L"/", L"\\\\server\\share", L"//server/share", L"..", L".\\Pack",
                                   L"Sub\\..\\..", L"Sub/../..", L"C:\\Pack", L"C:Pack", L"Pack:stream", L"...",
                                   L"Pack.", L"Pack ", L"Pa*ck", L"Pa?ck", L"Pa|ck"}) {
        CAPTURE(std::wstring(refused));
        std::wstring normalized = L"unchanged";
        CHECK_FALSE(NormalizeExtractPath(refused, normalized));
        CHECK(normalized == L"unchanged");
    }
}

TEST_CASE("device names are known in any case, with an extension, and with blanks before the dot")
{
    for (const wchar_t* device : {L"CON", L"prn", L"Aux", L"nul.txt", L"COM1", L"com9.log", L"LPT1", L"lpt9",
                                  L"con .txt", L"NUL.tar.gz"}) {
        CAPTURE(std::wstring(device));
        CHECK(IsDeviceName(device));
    }
    for (const wchar_t* plain : {L"CONSOLE", L"COM0", L"COM10", L"LPT", L"xcon", L"con_.txt", L"nu l", L"", L".con"}) {
        CAPTURE(std::wstring(plain));
        CHECK_FALSE(IsDeviceName(plain));
    }
}

TEST_CASE("the unpack folder is a plain relative path below the application data")
{
    std::wstring path;
    CHECK(BuildUnpackPath(L"C:\\Users\\u\\AppData\\Roaming", L"Halvest\\Pack", path));
    CHECK(path == L"C:\\Users\\u\\AppData\\Roaming\\Halvest\\Pack");
    CHECK(BuildUnpackPath(L"C:\\Roaming\\", L"Halvest\\Pack Two", path));
    CHECK(path == L"C:\\Roaming\\Halvest\\Pack Two");
    CHECK(BuildUnpackPath(L"C:\\Roaming", L"Halvest\\\\Sub/Pack\\", path));
    CHECK(path == L"C:\\Roaming\\Halvest\\Sub\\Pack");

    path = L"unchanged";
    for (const wchar_t* unpack : {L"", L"Halvest\\", L"Halvest\\\\\\server", L"Halvest\\..", L"Halvest\\..\\..\\Windows",
                                  L"Halvest\\.", L"\\Halvest\\Pack", L"C:\\Windows", L"Halvest\\C:Pack",
                                  L"Halvest/../Pack", L"..\\Halvest"}) {
        CAPTURE(std::wstring(unpack));
        CHECK_FALSE(BuildUnpackPath(L"C:\\Roaming", unpack, path));
    }
    CHECK(path == L"unchanged");
    CHECK_FALSE(BuildUnpackPath(L"", L"Halvest\\Pack", path));
    CHECK_FALSE(BuildUnpackPath(L"C:\\" + std::wstring(240, L'r'), L"Halvest\\" + std::wstring(20, L'p'), path));
}

TEST_CASE("the unpacked package goes with all it holds; the maker's folder stays")
{
    UnpackFixture fixture;
    fixture.Prepare();

    std::wstring unpackFolder;
    SUBCASE("written plainly") { unpackFolder = L"Halvest\\Pack"; }
    SUBCASE("with a slash and a trailing backslash") { unpackFolder = L"Halvest\\/Pack\\"; }
    RemoveUnpackedPackage(fixture.appData.path(), unpackFolder);

    CHECK_FALSE(IsFolder(fixture.Path(L"Halvest\\Pack")));
    CHECK(IsFolder(fixture.Path(L"Halvest")));
    CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Other.txt")));
    CHECK(fixture.waits.waits().empty());
}

TEST_CASE("a missing unpack folder, or one that is a file, is left alone")
{
    UnpackFixture fixture;
    fixture.Prepare();
    RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\Absent");
    RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\Other.txt");
    CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Other.txt")));
    CHECK(IsFolder(fixture.Path(L"Halvest\\Pack\\image\\Materials")));
}

TEST_CASE("an unpack folder that would lead outside the application data deletes nothing")
{
    UnpackFixture fixture;
    fixture.Prepare();
    // From the application data's point of view, "Halvest\..\.." is its parent.
    xml_test::ScratchFolder outside(L"unpack-outside");
    REQUIRE(outside.created());
    REQUIRE(xml_test::WriteBytes(outside.File(L"precious.txt"), "keep"));

    RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\..\\..");
    RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\.");

    CHECK(xml_test::FileExists(outside.File(L"precious.txt")));
    CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Other.txt")));
    CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Pack\\packsetup.def")));
}

TEST_CASE("a junction inside the unpacked package is removed as a link, never walked")
{
    UnpackFixture fixture;
    fixture.Prepare();

    SUBCASE("a link whose target holds files: its content is not touched")
    {
        // The presented link is a real folder here, so its content stays
        // where removing the link itself would only drop the link.
        PresentedLinks links(L"Materials");
        RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\Pack");

        CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Pack\\image\\Materials\\a.txt")));
        CHECK(xml_test::FileExists(fixture.Path(L"Halvest\\Pack\\image\\Materials\\b.txt")));
        CHECK_FALSE(xml_test::FileExists(fixture.Path(L"Halvest\\Pack\\packsetup.def")));
        CHECK_FALSE(IsFolder(fixture.Path(L"Halvest\\Pack\\image\\Empty")));
    }
    SUBCASE("a link to an empty folder and a file link go, and the tree with them")
    {
        PresentedLinks links(L"Empty", L"packsetup.def");
        RemoveUnpackedPackage(fixture.appData.path(), L"Halvest\\Pack");
        CHECK_FALSE(IsFolder(fixture.Path(L"Halvest\\Pack")));
        CHECK(IsFolder(fixture.Path(L"Halvest")));
    }
    SetFileAttributesW(fixture.Path(L"Halvest\\Pack\\image\\Materials\\b.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_CASE("folders on the way to unpacked files are made inside their parent's handle, never through a link")
{
    UnpackFixture fixture;
    REQUIRE(fixture.appData.created());
    REQUIRE(MakeFolder(fixture.Path(L"elsewhere")));
    REQUIRE(xml_test::WriteBytes(fixture.Path(L"file"), "a file"));
    const std::wstring top = fixture.appData.path();
    OpenedEntry parent;
    REQUIRE(OpenEntryWithoutLinks(top, FILE_ADD_SUBDIRECTORY, parent) == EntryOpening::Opened);
    const ACCESS_MASK access = FILE_ADD_SUBDIRECTORY | FILE_ADD_FILE;
    OpenedEntry folder;
    bool created = false;

    CHECK(OpenOrCreateFolderIn(parent.handle.get(), top, L"new", access, folder, created) == EntryOpening::Opened);
    CHECK(created);
    CHECK(IsFolder(fixture.Path(L"new")));
    CHECK(OpenOrCreateFolderIn(parent.handle.get(), top, L"new", access, folder, created) == EntryOpening::Opened);
    CHECK_FALSE(created);
    CHECK(OpenOrCreateFolderIn(parent.handle.get(), top, L"file", access, folder, created) == EntryOpening::Missing);
    CHECK(OpenOrCreateFolderIn(parent.handle.get(), top, L"..", access, folder, created) == EntryOpening::Refused);

    // A link planted where a folder is about to be made: refused, and
    // nothing is made where it points.
    REQUIRE(test_links::MakeFolderLink(fixture.Path(L"planted"), fixture.Path(L"elsewhere")));
    CHECK(OpenOrCreateFolderIn(parent.handle.get(), top, L"planted", access, folder, created) == EntryOpening::Refused);
    CHECK_FALSE(created);
    test_links::RemoveTreeKeepingLinkTargets(fixture.Path(L"planted"));
}

TEST_CASE("a program lies in its unpack folder however either path is spelled")
{
    UnpackFixture fixture;
    fixture.Prepare();
    std::wstring longFolder = fixture.Path(L"Halvest\\Pack Long Name");
    REQUIRE(MakeFolder(longFolder));
    REQUIRE(xml_test::WriteBytes(longFolder + L"\\packsetup.exe", "program"));
    wchar_t shortBuffer[MAX_PATH] = L"";
    DWORD length = GetShortPathNameW(longFolder.c_str(), shortBuffer, MAX_PATH);
    REQUIRE(length > 0);
    REQUIRE(length < MAX_PATH);
    std::wstring shortFolder(shortBuffer);
    REQUIRE(shortFolder != longFolder);

    CHECK(IsPathBelowFolder(longFolder + L"\\packsetup.exe", longFolder));
    CHECK(IsPathBelowFolder(shortFolder + L"\\packsetup.exe", longFolder));
    CHECK(IsPathBelowFolder(longFolder + L"\\packsetup.exe", shortFolder + L"\\"));
    CHECK(IsPathBelowFolder(fixture.Path(L"Halvest\\Pack\\packsetup.def"), fixture.Path(L"HALVEST\\pack")));
    CHECK(IsPathBelowFolder(fixture.Path(L"Halvest\\Pack\\image\\Materials"), fixture.Path(L"Halvest")));

    // The folder itself, a folder whose name begins the same, and what does not exist.
    CHECK_FALSE(IsPathBelowFolder(fixture.Path(L"Halvest\\Pack"), fixture.Path(L"Halvest\\Pack")));
    CHECK_FALSE(IsPathBelowFolder(longFolder + L"\\packsetup.exe", fixture.Path(L"Halvest\\Pack")));
    CHECK_FALSE(IsPathBelowFolder(fixture.Path(L"Halvest\\Pack\\absent.exe"), fixture.Path(L"Halvest\\Pack")));
    CHECK_FALSE(IsPathBelowFolder(longFolder + L"\\packsetup.exe", fixture.Path(L"Halvest\\Absent")));
}
