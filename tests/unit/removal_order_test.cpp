// Obsolete components of earlier installs: files in the given order, folders
// deepest first, and only folders that are empty by then.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "package_test_support.h"
#include "packsetup/deepest_first.h"
#include "packsetup/obsolete_components.h"

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
