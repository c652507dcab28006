// Obsolete components of earlier installs: files in the given order, folders
// deepest first, and only folders that are empty by then.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "package_test_support.h"
#include "packsetup/deepest_first.h"
#include "packsetup/obsolete_components.h"
#include "packsetup/removable_component.h"

using package_test::CountedWaits;
using package_test::IsFolder;
using package_test::MakeFolder;
using package_test::Paths;

TEST_CASE("folders sort deepest first, by UTF-16 code units with case significant")
{
    Paths folders = {L"data", L"data\\old", L"Data", L"data\\old\\older", L"a", L"\u00e9t\u00e9", L"z"};
    SortDeepestFirst(folders);
    CHECK(folders == Paths{L"\u00e9t\u00e9", L"z", L"data\\old\\older", L"data\\old", L"data", L"a", L"Data"});

    // A code unit above 0x7FFF counts as large, not negative.
    Paths wide = {L"\u4e00", L"\uff21", L"a"};
    SortDeepestFirst(wide);
    CHECK(wide == Paths{L"\uff21", L"\u4e00", L"a"});
}

TEST_CASE("obsolete folders are removed deepest first whatever the definition's order")
{
    xml_test::ScratchFolder root(L"obsolete");
    REQUIRE(root.created());
    CountedWaits waits;
    REQUIRE(MakeFolder(root.File(L"data")));
    REQUIRE(MakeFolder(root.File(L"data\\old")));
    REQUIRE(MakeFolder(root.File(L"kept")));
    REQUIRE(xml_test::WriteBytes(root.File(L"kept\\user.txt"), "mine"));
    REQUIRE(MakeFolder(root.File(L"files")));
    REQUIRE(xml_test::WriteBytes(root.File(L"files\\gone.txt"), "old"));
    REQUIRE(SetFileAttributesW(root.File(L"files\\gone.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    RemoveObsoleteComponents(root.path(), {L"files\\gone.txt", L"files\\never-there.txt"},
                             {L"data", L"kept", L"data\\old", L"files", L"missing"});

    CHECK_FALSE(IsFolder(root.File(L"data")));
    CHECK_FALSE(xml_test::FileExists(root.File(L"files\\gone.txt")));
    // Emptied by the file removal, which comes first.
    CHECK_FALSE(IsFolder(root.File(L"files")));
    CHECK(xml_test::FileExists(root.File(L"kept\\user.txt")));
    // Nothing had to be retried.
    CHECK(waits.waits().empty());
}

TEST_CASE("a removal list that points out of the installation folder removes nothing there")
{
    xml_test::ScratchFolder scene(L"obsolete-hostile");
    REQUIRE(scene.created());
    const std::wstring install = scene.File(L"Install");
    REQUIRE(MakeFolder(install));
    REQUIRE(MakeFolder(install + L"\\old"));
    REQUIRE(xml_test::WriteBytes(install + L"\\old\\gone.txt", "old"));
    REQUIRE(MakeFolder(scene.File(L"Outside")));
    REQUIRE(MakeFolder(scene.File(L"Outside\\Empty")));
    REQUIRE(xml_test::WriteBytes(scene.File(L"Outside\\precious.txt"), "keep"));
    const std::wstring drive = scene.path().substr(0, 2);

    RemoveObsoleteComponents(install,
                             {L"..\\Outside\\precious.txt", L"old\\..\\..\\Outside\\precious.txt",
                              L"../Outside/precious.txt", scene.File(L"Outside\\precious.txt"),
                              drive + scene.File(L"Outside\\precious.txt").substr(3), L"old\\gone.txt"},
                             {L"..\\Outside\\Empty", scene.File(L"Outside\\Empty"), L"old\\.", L"old"});

    CHECK(xml_test::FileExists(scene.File(L"Outside\\precious.txt")));
    CHECK(IsFolder(scene.File(L"Outside\\Empty")));
    // The plain entries still go.
    CHECK_FALSE(IsFolder(install + L"\\old"));
    CHECK(IsFolder(install));
}

TEST_CASE("only plain relative paths of named levels are removable components")
{
    for (const wchar_t* entry : {L"x.dll", L"data\\old\\x.dll", L"data/x.dll", L"data\\", L"a\\\\b", L"..x", L"x.."}) {
        CAPTURE(std::wstring(entry));
        CHECK(IsRemovableComponentPath(entry));
    }
    for (const wchar_t* entry : {L"", L"\\", L"\\x.dll", L"/x.dll", L"\\\\server\\share\\x", L"\\\\?\\C:\\x",
                                 L"C:\\x.dll", L"C:x.dll", L"x.dll:stream", L".", L"..", L"...", L". .",
                                 L"data\\..", L"data\\..\\..\\x", L"data/./x", L"./x"}) {
        CAPTURE(std::wstring(entry));
        CHECK_FALSE(IsRemovableComponentPath(entry));
    }
}
