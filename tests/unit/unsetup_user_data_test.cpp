// The user's own data when the user asked to remove it: everything inside
// the user data folders goes, while links are removed at most themselves and
// their targets stay untouched.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "packsetup/retry_wait.h"
#include "tests/unit/unsetup_test_links.h"
#include "tests/unit/xml_test_support.h"
#include "unsetup/user_data_items.h"
#include "unsetup/work_lists.h"

namespace {

typedef std::vector<std::wstring> Paths;

bool Contains(const Paths& paths, const std::wstring& path)
{
    return std::find(paths.begin(), paths.end(), path) != paths.end();
}

bool MakeFile(const std::wstring& path)
{
    return xml_test::WriteBytes(path, "data");
}

// A roaming folder with the product folder and, beside it, a folder that
// the links point to.
struct UserDataScene {
    UserDataScene()
    {
        wchar_t temp[MAX_PATH];
        DWORD length = GetTempPathW(MAX_PATH, temp);
        base = std::wstring(temp, length) + L"unsetup-user-data-" + std::to_wstring(GetCurrentProcessId());
        test_links::RemoveTreeKeepingLinkTargets(base);
        roaming = base + L"\\Roaming";
        product = roaming + L"\\Halvest\\Tavrel!";
        outside = base + L"\\Outside";
    }
    ~UserDataScene() { test_links::RemoveTreeKeepingLinkTargets(base); }

    bool MakeFolders(const std::vector<std::wstring>& folders) const
    {
        for (const std::wstring& folder : folders) {
            if (!CreateDirectoryW(folder.c_str(), nullptr))
                return false;
        }
        return true;
    }

    std::wstring base;
    std::wstring roaming;
    std::wstring product;
    std::wstring outside;
};

// At the first retry pause: lets go of the file that made the delete retry,
// then swaps its folder for a link.
HANDLE heldFile;
std::wstring swapFolder, swapMovedTo, swapTarget;
bool swapped;

void SwapFolderAtRetry(DWORD)
{
    if (swapped)
        return;
    CloseHandle(heldFile);
    heldFile = nullptr;
    swapped = MoveFileW(swapFolder.c_str(), swapMovedTo.c_str())
        && test_links::MakeFolderLink(swapFolder, swapTarget);
}

} // namespace

TEST_CASE("every entry of the user data folders is listed, a folder before its content")
{
    UserDataScene scene;
    const std::wstring image = scene.product + L"\\UserImage";
    const std::wstring snap = scene.product + L"\\UserSnap";
    REQUIRE(scene.MakeFolders({scene.base, scene.roaming, scene.roaming + L"\\Halvest", scene.product, image,
                               image + L"\\Sub", image + L"\\Sub\\Deeper", image + L"\\新規追加", snap}));
    REQUIRE(MakeFile(image + L"\\a.png"));
    REQUIRE(MakeFile(image + L"\\Sub\\b.png"));
    REQUIRE(SetFileAttributesW((image + L"\\Sub\\b.png").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY));

    UninstallWorkLists lists;
    AddUserDataItems(lists, scene.roaming, L"Halvest\\Tavrel!");

    std::vector<std::wstring> files = lists.Files();
    std::sort(files.begin(), files.end());
    CHECK(files == Paths{image + L"\\Sub\\b.png", image + L"\\a.png"});
    const Paths& folders = lists.Folders();
    CHECK(folders.size() == 5);
    CHECK(Contains(folders, image + L"\\Sub\\Deeper"));
    CHECK(Contains(folders, image + L"\\新規追加"));
    CHECK(Contains(folders, image));
    CHECK(Contains(folders, snap));
    auto position = [&](const std::wstring& path) { return std::find(folders.begin(), folders.end(), path); };
    CHECK(position(image + L"\\Sub") < position(image + L"\\Sub\\Deeper"));
    CHECK(position(image + L"\\Sub\\Deeper") < position(image));
    // Absent user data folders add nothing.
    CHECK_FALSE(Contains(folders, scene.product + L"\\UserModel"));

    DeleteListedFiles(lists);
    RemoveListedFolders(lists);
    CHECK_FALSE(xml_test::FileExists(image));
    CHECK_FALSE(xml_test::FileExists(snap));
    CHECK(xml_test::FileExists(scene.product));
}

TEST_CASE("links inside or as user data folders never lead the removal outside them")
{
    UserDataScene scene;
    const std::wstring image = scene.product + L"\\UserImage";
    const std::wstring character = scene.product + L"\\UserCharacter";
    REQUIRE(scene.MakeFolders({scene.base, scene.roaming, scene.roaming + L"\\Halvest", scene.product, image,
                               scene.outside, scene.outside + L"\\Kept", scene.base + L"\\Empty"}));
    REQUIRE(MakeFile(image + L"\\mine.png"));
    REQUIRE(MakeFile(scene.outside + L"\\other.png"));
    REQUIRE(MakeFile(scene.outside + L"\\Kept\\deep.png"));
    REQUIRE(test_links::MakeFolderLink(image + L"\\LinkOut", scene.outside));
    REQUIRE(test_links::MakeFolderLink(image + L"\\LinkBack", scene.product));
    REQUIRE(test_links::MakeFolderLink(image + L"\\LinkEmpty", scene.base + L"\\Empty"));
    REQUIRE(test_links::MakeFolderLink(character, scene.outside));

    UninstallWorkLists lists;
    AddUserDataItems(lists, scene.roaming, L"Halvest\\Tavrel!");

    CHECK(lists.Files() == Paths{image + L"\\mine.png"});
    for (const std::wstring& folder : lists.Folders()) {
        INFO(std::string(folder.begin(), folder.end()));
        CHECK(folder.compare(0, image.size(), image) == 0);
    }
    CHECK(Contains(lists.Folders(), image + L"\\LinkOut"));
    CHECK_FALSE(Contains(lists.Folders(), character));

    DeleteListedFiles(lists);
    RemoveListedFolders(lists);
    CHECK_FALSE(xml_test::FileExists(image + L"\\mine.png"));
    CHECK(xml_test::FileExists(scene.outside + L"\\other.png"));
    CHECK(xml_test::FileExists(scene.outside + L"\\Kept\\deep.png"));
    // A link to an empty folder is left alone too: removing it as a folder
    // would remove its target under Wine.
    CHECK(xml_test::FileExists(scene.base + L"\\Empty"));
    CHECK(xml_test::FileExists(image + L"\\LinkEmpty"));
    CHECK(xml_test::FileExists(image));
}

TEST_CASE("a user data folder swapped for a link after the scan leads no delete outside")
{
    UserDataScene scene;
    const std::wstring image = scene.product + L"\\UserImage";
    const std::wstring snap = scene.product + L"\\UserSnap";
    REQUIRE(scene.MakeFolders({scene.base, scene.roaming, scene.roaming + L"\\Halvest", scene.product, image,
                               image + L"\\Sub", image + L"\\Sub\\Deeper", image + L"\\Pair", snap, scene.outside,
                               scene.outside + L"\\Deeper"}));
    REQUIRE(MakeFile(image + L"\\Sub\\a.png"));
    REQUIRE(MakeFile(image + L"\\Pair\\p1.png"));
    REQUIRE(MakeFile(image + L"\\Pair\\p2.png"));
    REQUIRE(MakeFile(scene.outside + L"\\p1.png"));
    REQUIRE(MakeFile(scene.outside + L"\\p2.png"));
    REQUIRE(MakeFile(image + L"\\Sub\\Deeper\\b.png"));
    REQUIRE(MakeFile(snap + L"\\s.png"));
    REQUIRE(MakeFile(scene.outside + L"\\a.png"));
    REQUIRE(MakeFile(scene.outside + L"\\Deeper\\b.png"));

    UninstallWorkLists lists;
    AddUserDataItems(lists, scene.roaming, L"Halvest\\Tavrel!");
    REQUIRE(Contains(lists.Files(), image + L"\\Sub\\a.png"));

    // Between the scan and the deletes the folder becomes a link to a folder
    // that holds entries of the same names.
    REQUIRE(MoveFileW((image + L"\\Sub").c_str(), (scene.base + L"\\Moved").c_str()));
    REQUIRE(test_links::MakeFolderLink(image + L"\\Sub", scene.outside));
    // And one is swapped between two of its files, while the folder is held
    // open for them: the held folder is the one that was checked, wherever
    // it went, so nothing behind the link goes.
    heldFile = CreateFileW((image + L"\\Pair\\p2.png").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    REQUIRE(heldFile != INVALID_HANDLE_VALUE);
    swapFolder = image + L"\\Pair";
    swapMovedTo = scene.base + L"\\MovedPair";
    swapTarget = scene.outside;
    swapped = false;
    RetryWaitFunction previousWait = SetRetryWaitForTesting(SwapFolderAtRetry);

    DeleteListedFiles(lists);
    RemoveListedFolders(lists);
    SetRetryWaitForTesting(previousWait);
    if (heldFile)
        CloseHandle(heldFile);

    REQUIRE(swapped);
    CHECK(xml_test::FileExists(scene.outside + L"\\p1.png"));
    CHECK(xml_test::FileExists(scene.outside + L"\\p2.png"));
    CHECK(xml_test::FileExists(scene.outside + L"\\a.png"));
    CHECK(xml_test::FileExists(scene.outside + L"\\Deeper\\b.png"));
    // The rest of the user data still goes.
    CHECK_FALSE(xml_test::FileExists(snap));
}
