// Listing a package tree: order, paths, sizes, and what cannot be listed.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "package_test_support.h"
#include "packsetup/folder_scanner.h"

using package_test::MakeFolder;
using package_test::Paths;
using package_test::WriteSizedFile;

namespace {

Paths RelativePaths(const FolderScanner& scanner)
{
    Paths paths;
    for (const FolderScanEntry& entry : scanner.Entries())
        paths.push_back(entry.relativePath);
    return paths;
}

size_t IndexOf(const Paths& paths, const std::wstring& path)
{
    for (size_t i = 0; i < paths.size(); ++i) {
        if (paths[i] == path)
            return i;
    }
    return paths.size();
}

// Presents the folder named "link" as a junction.
void MarkLinkAsJunction(WIN32_FIND_DATAW& data)
{
    if (std::wstring(data.cFileName) == L"link")
        data.dwFileAttributes |= FILE_ATTRIBUTE_REPARSE_POINT;
}

class JunctionHook {
public:
    JunctionHook() { SetFindDataHookForTesting(MarkLinkAsJunction); }
    ~JunctionHook() { SetFindDataHookForTesting(nullptr); }
    JunctionHook(const JunctionHook&) = delete;
    JunctionHook& operator=(const JunctionHook&) = delete;
};

} // namespace

TEST_CASE("a scan lists every folder before its content, with full and relative paths")
{
    xml_test::ScratchFolder root(L"scan-order");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"data")));
    REQUIRE(MakeFolder(root.File(L"data\\deep")));
    REQUIRE(MakeFolder(root.File(L"empty")));
    REQUIRE(WriteSizedFile(root.File(L"top.txt"), 10));
    REQUIRE(WriteSizedFile(root.File(L"data\\x.bin"), 1000));
    REQUIRE(WriteSizedFile(root.File(L"data\\deep\\y.bin"), 5));

    FolderScanner scanner;
    // With a trailing backslash the paths are the same.
    REQUIRE(scanner.Scan((root.path() + L"\\").c_str(), L""));
    Paths relative = RelativePaths(scanner);
    REQUIRE(relative.size() == 6);
    CHECK(IndexOf(relative, L"\\data") < IndexOf(relative, L"\\data\\x.bin"));
    CHECK(IndexOf(relative, L"\\data") < IndexOf(relative, L"\\data\\deep"));
    CHECK(IndexOf(relative, L"\\data\\deep") < IndexOf(relative, L"\\data\\deep\\y.bin"));
    CHECK(IndexOf(relative, L"\\empty") < relative.size());
    CHECK(IndexOf(relative, L"\\top.txt") < relative.size());
    for (const FolderScanEntry& entry : scanner.Entries()) {
        CHECK(entry.fullPath == root.path() + entry.relativePath);
        CHECK(entry.relativePath.substr(entry.relativePath.find_last_of(L'\\') + 1)
              == std::wstring(entry.findData.cFileName));
    }
    CHECK(scanner.TotalSize() == 1015);
    CHECK(scanner.Complete());
}

TEST_CASE("the relative prefix starts every relative path and scans add up")
{
    xml_test::ScratchFolder root(L"scan-prefix");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"a")));
    REQUIRE(WriteSizedFile(root.File(L"a\\f.txt"), 3));

    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.File(L"a").c_str(), L"\\UserImage"));
    REQUIRE(scanner.Scan(root.path().c_str(), L""));
    CHECK(RelativePaths(scanner) == Paths{L"\\UserImage\\f.txt", L"\\a", L"\\a\\f.txt"});
    CHECK(scanner.TotalSize() == 6);

    scanner.Clear();
    CHECK(scanner.Entries().empty());
    CHECK(scanner.TotalSize() == 0);
}

TEST_CASE("a folder that cannot be listed fails the scan and lists nothing")
{
    xml_test::ScratchFolder root(L"scan-missing");
    REQUIRE(root.created());
    REQUIRE(WriteSizedFile(root.File(L"plain.txt"), 4));
    FolderScanner scanner;
    CHECK_FALSE(scanner.Scan(nullptr, L""));
    CHECK_FALSE(scanner.Scan(root.File(L"absent").c_str(), L""));
    CHECK_FALSE(scanner.Scan(root.File(L"plain.txt").c_str(), L""));
    CHECK(scanner.Entries().empty());
    CHECK(scanner.TotalSize() == 0);
}

TEST_CASE("an empty folder scans as an empty, complete list")
{
    xml_test::ScratchFolder root(L"scan-empty");
    REQUIRE(root.created());
    FolderScanner scanner;
    CHECK(scanner.Scan(root.path().c_str(), L""));
    CHECK(scanner.Entries().empty());
    CHECK(scanner.Complete());
}

TEST_CASE("a junction is listed as what it is but never entered")
{
    xml_test::ScratchFolder root(L"scan-junction");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"link")));
    REQUIRE(WriteSizedFile(root.File(L"link\\outside.txt"), 9));
    REQUIRE(MakeFolder(root.File(L"real")));
    REQUIRE(WriteSizedFile(root.File(L"real\\inside.txt"), 2));

    JunctionHook hook;
    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.path().c_str(), L""));
    Paths relative = RelativePaths(scanner);
    CHECK(IndexOf(relative, L"\\link") < relative.size());
    CHECK(IndexOf(relative, L"\\link\\outside.txt") == relative.size());
    CHECK(IndexOf(relative, L"\\real\\inside.txt") < relative.size());
    CHECK(scanner.TotalSize() == 2);
    // What lies behind the link was not listed.
    CHECK_FALSE(scanner.Complete());
    CHECK(scanner.Links() == Paths{root.File(L"link")});
    for (const FolderScanEntry& entry : scanner.Entries()) {
        if (entry.relativePath == L"\\link")
            CHECK((entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
}

TEST_CASE("entries whose paths would not fit MAX_PATH are left out whole and reported")
{
    xml_test::ScratchFolder root(L"scan-long");
    REQUIRE(root.created());
    // A chain of folders that ends just below the limit, with one name that
    // fits and one that does not.
    std::wstring folder = root.path();
    while (folder.size() < MAX_PATH - 40) {
        folder += L"\\" + std::wstring(20, L'd');
        REQUIRE(MakeFolder(folder));
    }
    size_t room = MAX_PATH - 1 - folder.size() - 1;
    std::wstring fits = std::wstring(room, L'f');
    std::wstring tooLong = std::wstring(room + 1, L'g');
    REQUIRE(WriteSizedFile(folder + L"\\" + fits, 1));
    // Wine and NTFS accept the longer name through the \\?\ form.
    REQUIRE(WriteSizedFile(L"\\\\?\\" + folder + L"\\" + tooLong, 1));

    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.path().c_str(), L""));
    bool listedFit = false;
    for (const FolderScanEntry& entry : scanner.Entries()) {
        CHECK(entry.fullPath.size() < MAX_PATH);
        if (entry.fullPath == folder + L"\\" + fits)
            listedFit = true;
    }
    CHECK(listedFit);
    CHECK_FALSE(scanner.Complete());
    CHECK(scanner.OverlongPaths() == Paths{folder + L"\\" + tooLong});
    DeleteFileW((L"\\\\?\\" + folder + L"\\" + tooLong).c_str());
}
