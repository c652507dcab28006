// Merging the copied files and folders into tavrelunsetup.dat.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "common/xml/replace_file.h"
#include "common/xml/xml_text.h"
#include "package_test_support.h"
#include "packsetup/copy_package.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/uninstall_manifest.h"

using package_test::CleanInstallerState;
using package_test::MakeFolder;
using package_test::Paths;

namespace {

struct ManifestFixture {
    xml_test::ComApartment apartment;
    CleanInstallerState state;
    xml_test::ScratchFolder folder{L"manifest"};

    std::wstring ManifestPath() const { return folder.File(L"tavrelunsetup.dat"); }

    void WriteManifest(const std::string& body)
    {
        REQUIRE(apartment.initialised());
        REQUIRE(folder.created());
        REQUIRE(xml_test::WriteBytes(ManifestPath(), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n" + body));
    }

    void Installed(const Paths& files, const Paths& folders)
    {
        Installer().installedFiles = files;
        for (const std::wstring& path : folders)
            Installer().installedFolders.Add(path);
    }

    qz_xml::QXMLDocument Reload() const
    {
        qz_xml::QXMLDocument document;
        REQUIRE(document.Create());
        REQUIRE(document.Load(ManifestPath()));
        return document;
    }

    Paths Files() const { return xml_test::TextsOf(Reload().SelectNodes(L"/TavrelUninstall/Components/File")); }
    Paths Folders() const
    {
        return xml_test::TextsOf(Reload().SelectNodes(L"/TavrelUninstall/Components/Directory"));
    }

    // Names of the root's element children, in document order.
    Paths RootChildren() const
    {
        Paths names;
        for (qz_xml::QXMLNode& node : Reload().SelectNodes(L"/TavrelUninstall/*")) {
            BSTR name = nullptr;
            if (SUCCEEDED(node.GetInterface()->get_nodeName(&name)) && name)
                names.push_back(name);
            SysFreeString(name);
        }
        return names;
    }
};

bool FailEveryWrite(int)
{
    return false;
}

} // namespace

TEST_CASE_FIXTURE(ManifestFixture, "the package's entries come first, then the manifest itself, then earlier entries")
{
    WriteManifest("<TavrelUninstall><Options><CurrentUser>1</CurrentUser></Options><Components>"
                  "<File>C:\\App\\tavrel.exe</File><File>C:\\App\\A.DAT</File><File>C:\\App\\old.txt</File>"
                  "<Directory>C:\\App\\Data\\</Directory><Directory>C:\\App</Directory>"
                  "</Components></TavrelUninstall>");
    Installed({L"C:\\App\\new.txt", L"C:\\App\\a.dat"}, {L"C:\\App", L"C:\\App\\data\\new"});

    CHECK(UpdateUninstallManifest(folder.path() + L"\\") == ManifestUpdate::Updated);
    CHECK(Files() == Paths{L"C:\\App\\new.txt", L"C:\\App\\a.dat", ManifestPath(), L"C:\\App\\tavrel.exe",
                           L"C:\\App\\old.txt"});
    CHECK(Folders() == Paths{L"C:\\App", L"C:\\App\\data\\new", L"C:\\App\\Data"});
    CHECK(RootChildren() == Paths{L"Options", L"Components"});
    CHECK(xml_test::TextsOf(Reload().SelectNodes(L"/TavrelUninstall/Options/CurrentUser")) == Paths{L"1"});
    // The lists hold what was written.
    CHECK(Installer().installedFiles.size() == 5);
    CHECK(Installer().installedFolders.Paths().size() == 3);
}

TEST_CASE_FIXTURE(ManifestFixture, "earlier duplicates in another case or with a backslash are written once")
{
    WriteManifest("<TavrelUninstall><Components>"
                  "<File>C:\\App\\Readme.txt</File><File>c:\\app\\README.TXT</File>"
                  "<Directory>C:\\App\\x\\</Directory><Directory>C:\\APP\\X</Directory><Directory>D:\\</Directory>"
                  "</Components></TavrelUninstall>");

    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(Files() == Paths{ManifestPath(), L"C:\\App\\Readme.txt"});
    CHECK(Folders() == Paths{L"C:\\App\\x", L"D:\\"});
}

TEST_CASE_FIXTURE(ManifestFixture, "the manifest's own path is added once, whatever its earlier spelling")
{
    std::string upper;
    for (wchar_t c : ManifestPath())
        upper += static_cast<char>(c >= L'a' && c <= L'z' ? c - L'a' + L'A' : c);
    WriteManifest("<TavrelUninstall><Components><File>" + upper + "</File></Components></TavrelUninstall>");
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(Files() == Paths{ManifestPath()});
}

TEST_CASE_FIXTURE(ManifestFixture, "other children stay; only the first Components is replaced, as the last child")
{
    // Settings carries namespaces, default and prefixed, as other vocabularies do.
    WriteManifest("<TavrelUninstall><Components><File>C:\\first.txt</File></Components>"
                  "<Extra>kept</Extra><Settings xmlns=\"urn:settings\" xmlns:x=\"urn:x\">"
                  "<Item x:k=\"v\">on</Item></Settings><Components><File>C:\\second.txt</File></Components>"
                  "<Options><CurrentUser>0</CurrentUser></Options></TavrelUninstall>");
    Installed({L"C:\\App\\p.txt"}, {});

    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(RootChildren() == Paths{L"Extra", L"Settings", L"Components", L"Options", L"Components"});
    Paths itemNamespaces;
    for (qz_xml::QXMLNode& node : Reload().SelectNodes(L"/TavrelUninstall/*/*")) {
        BSTR uri = nullptr;
        if (node.GetText() == L"on" && SUCCEEDED(node.GetInterface()->get_namespaceURI(&uri)))
            itemNamespaces.push_back(uri ? uri : L"");
        SysFreeString(uri);
    }
    CHECK(itemNamespaces == Paths{L"urn:settings"});
    // Earlier files are read from every Components; the second one stays as it was.
    CHECK(Files() == Paths{L"C:\\second.txt", L"C:\\App\\p.txt", ManifestPath(), L"C:\\first.txt",
                           L"C:\\second.txt"});
    CHECK(xml_test::TextsOf(Reload().SelectNodes(L"/TavrelUninstall/Extra")) == Paths{L"kept"});
}

TEST_CASE_FIXTURE(ManifestFixture, "a manifest without Components gains one")
{
    WriteManifest("<TavrelUninstall><Options/></TavrelUninstall>");
    Installed({L"C:\\App\\p.txt"}, {L"C:\\App"});
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(RootChildren() == Paths{L"Options", L"Components"});
    CHECK(Files() == Paths{L"C:\\App\\p.txt", ManifestPath()});
    CHECK(Folders() == Paths{L"C:\\App"});
}

TEST_CASE_FIXTURE(ManifestFixture, "a manifest without its root is saved again without the package")
{
    WriteManifest("<Other><Components><File>C:\\x.txt</File></Components></Other>");
    Installed({L"C:\\App\\p.txt"}, {L"C:\\App"});
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::RootMissing);
    CHECK(xml_test::TextsOf(Reload().SelectNodes(L"/Other/Components/File")) == Paths{L"C:\\x.txt"});
    CHECK(xml_test::TextsOf(Reload().SelectNodes(L"/Other/*")).size() == 1);
    CHECK(xml_test::MarkupOf(Reload()).find(L"p.txt") == std::wstring::npos);
}

TEST_CASE_FIXTURE(ManifestFixture, "a missing manifest is not created and a malformed one not touched")
{
    REQUIRE(folder.created());
    Installed({L"C:\\App\\p.txt"}, {});
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::NotLoaded);
    CHECK_FALSE(xml_test::FileExists(ManifestPath()));

    const std::string malformed = "<?xml version=\"1.0\"?>\r\n<TavrelUninstall><Components><File>C:\\a";
    REQUIRE(xml_test::WriteBytes(ManifestPath(), malformed));
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::NotLoaded);
    CHECK(xml_test::ReadBytes(ManifestPath()) == malformed);
}

TEST_CASE_FIXTURE(ManifestFixture, "empty entries are dropped, over-long ones kept whole")
{
    std::string longPath = "C:\\" + std::string(300, 'L') + "\\file.bin";
    WriteManifest("<TavrelUninstall><Components><File></File><File>" + longPath + "</File><File/>"
                  "<Directory></Directory><Directory>C:\\App</Directory></Components></TavrelUninstall>");
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(Files() == Paths{ManifestPath(), std::wstring(longPath.begin(), longPath.end())});
    CHECK(Folders() == Paths{L"C:\\App"});
}

TEST_CASE_FIXTURE(ManifestFixture, "a failed save keeps the old manifest byte for byte")
{
    WriteManifest("<TavrelUninstall><Components><File>C:\\x.txt</File></Components></TavrelUninstall>");
    const std::string before = xml_test::ReadBytes(ManifestPath());
    Installed({L"C:\\App\\p.txt"}, {});

    SUBCASE("a write that fails half way")
    {
        qz_xml::internal::SetStreamWriteHookForTesting(FailEveryWrite);
        ManifestUpdate result = UpdateUninstallManifest(folder.path());
        qz_xml::internal::SetStreamWriteHookForTesting(nullptr);
        CHECK(result == ManifestUpdate::SaveFailed);
    }
    SUBCASE("a read-only manifest")
    {
        REQUIRE(SetFileAttributesW(ManifestPath().c_str(), FILE_ATTRIBUTE_READONLY));
        CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::SaveFailed);
        SetFileAttributesW(ManifestPath().c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SUBCASE("a path that XML cannot carry")
    {
        Installer().installedFiles.push_back(L"C:\\App\\bad\x01.txt");
        CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::SaveFailed);
    }
    CHECK(xml_test::ReadBytes(ManifestPath()) == before);
    CHECK(xml_test::ListFolder(folder.path()) == Paths{L"tavrelunsetup.dat"});
}

TEST_CASE_FIXTURE(ManifestFixture, "Japanese, other non-ASCII and markup characters in paths survive the round trip")
{
    // 既存.txt in the earlier manifest, as UTF-8 with a byte-order mark.
    REQUIRE(folder.created());
    REQUIRE(xml_test::WriteBytes(ManifestPath(), "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                                 "<TavrelUninstall><Components><File>C:\\App\\\xE6\x97\xA2"
                                                 "\xE5\xAD\x98.txt</File></Components></TavrelUninstall>"));
    const std::wstring markup = L"C:\\App\\R&D;&amp; \U0001F600]]>.txt";
    Installed({L"C:\\App\\\u8ffd\u52a0 caf\u00e9.txt", markup}, {L"C:\\App\\\u30c7\u30fc\u30bf", L"C:\\A&B"});
    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    CHECK(Files() == Paths{L"C:\\App\\\u8ffd\u52a0 caf\u00e9.txt", markup, ManifestPath(),
                           L"C:\\App\\\u65e2\u5b58.txt"});
    CHECK(Folders() == Paths{L"C:\\App\\\u30c7\u30fc\u30bf", L"C:\\A&B"});
}

TEST_CASE_FIXTURE(ManifestFixture, "after copying top-level files the folders still list every level of the path")
{
    WriteManifest("<TavrelUninstall><Components/></TavrelUninstall>");
    REQUIRE(MakeFolder(folder.File(L"image")));
    REQUIRE(xml_test::WriteBytes(folder.File(L"image\\top.txt"), "top"));
    FolderScanner scanner;
    REQUIRE(scanner.Scan(folder.File(L"image").c_str(), L""));
    REQUIRE(CopyPackageEntries(scanner, folder.path(), nullptr, nullptr, nullptr));

    CHECK(UpdateUninstallManifest(folder.path() + L"\\") == ManifestUpdate::Updated);
    CHECK(Files() == Paths{folder.File(L"top.txt"), ManifestPath()});
    Paths folders = Folders();
    REQUIRE_FALSE(folders.empty());
    CHECK(folders.front() == folder.path().substr(0, folder.path().find(L'\\', 3)));
    CHECK(folders.back() == folder.path());
}

namespace {

// The manifest as the DOM itself writes it for the merged lists: the earlier
// file with its first Components replaced by one parsed from markup, as the
// last child of the root, then saved. The update must write the same bytes.
std::string WrittenByTheDom(const std::wstring& earlierPath, const Paths& files, const Paths& folders)
{
    std::wstring markup = L"<Components>";
    for (int group = 0; group < 2; ++group) {
        const std::wstring tag = group == 0 ? L"File" : L"Directory";
        for (const std::wstring& path : group == 0 ? files : folders) {
            markup += L"<" + tag + L">";
            REQUIRE(qz_xml::internal::AppendEscapedTextUtf16(markup, path));
            markup += L"</" + tag + L">";
        }
    }
    markup += L"</Components>";
    qz_xml::QXMLDocument scratch, document;
    REQUIRE((scratch.Create() && scratch.LoadXml(markup)));
    REQUIRE((document.Create() && document.Load(earlierPath)));
    qz_xml::QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    qz_xml::QXMLNode old = root.SelectSingleNode(L"./Components");
    if (old.IsValid())
        root.RemoveChild(old.GetInterface());
    REQUIRE(root.AppendChild(scratch.SelectSingleNode(L"/Components").GetInterface()).IsValid());
    std::wstring expectedPath = earlierPath + L".expected";
    REQUIRE(document.SaveIndented(expectedPath, L"utf-8"));
    std::string bytes = xml_test::ReadBytes(expectedPath);
    DeleteFileW(expectedPath.c_str());
    return bytes;
}

} // namespace

TEST_CASE_FIXTURE(ManifestFixture, "the manifest is written byte for byte as the DOM writes the merged entries")
{
    std::string earlier;
    SUBCASE("odd entries among comments, instructions, namespaces and a second Components")
    {
        earlier = "<!-- before --><?tool run?><TavrelUninstall xmlns:x=\"urn:x\" x:a=\"1\">"
                  "<Options><CurrentUser> 1 </CurrentUser></Options><x:Note>n</x:Note>"
                  "<Components kind=\"old\"><File>C:\\App\\a.txt</File><Directory>C:\\App\\Sub\\</Directory>"
                  "<!-- inside --><File>  C:\\App\\spaced.txt  </File><File>   </File><File/>"
                  "<File><![CDATA[C:\\App\\<cdata>&.txt]]></File><File>C:\\App\\cr&#13;lf&#10;tab&#9;.txt</File>"
                  "<Directory>C:\\APP\\SUB</Directory><File>C:\\App\\&amp;&lt;&gt;\"'.txt</File>"
                  "<x:File>C:\\App\\prefixed.txt</x:File><File xmlns=\"urn:d\">C:\\App\\defaulted.txt</File>"
                  "<File>C:\\App\\\xF0\x9F\x98\x80\xE6\x97\xA2.txt</File><Directory>C:\\App\\D\xC3\xA9j\xC3\xA0</Directory>"
                  "</Components><Settings xmlns=\"urn:s\"><Item>on</Item></Settings>"
                  "<Components><File>C:\\App\\second.txt</File></Components></TavrelUninstall><!-- after -->";
        Installed({L"C:\\App\\new.txt", L"C:\\App\\A.TXT", L"C:\\App\\\u8ffd\u52a0 & <x>.txt"},
                  {L"C:\\App", L"C:\\App\\sub", L"C:\\App\\\u30c7\u30fc\u30bf"});
    }
    SUBCASE("a root that holds text, so its children are written on its line")
    {
        earlier = "<TavrelUninstall>note<Components><File>C:\\App\\a.txt</File></Components><Extra/></TavrelUninstall>";
        Installed({L"C:\\App\\b.txt", L""}, {L"C:\\App"});
    }
    SUBCASE("a large earlier manifest")
    {
        earlier = "<TavrelUninstall><Components>";
        Paths files, folders;
        for (int i = 0; i < 3000; ++i) {
            std::string folderName = "C:\\Big\\d" + std::to_string(i % 97);
            earlier += i % 7 == 0 ? "<Directory>" + folderName + "\\</Directory>" : "";
            earlier += "<File>" + folderName + "\\F" + std::to_string(i) + (i % 5 == 0 ? " &amp; x" : "") + ".dat</File>";
            if (i % 3 == 0)
                files.push_back(L"C:\\Big\\d" + std::to_wstring(i % 97) + L"\\f" + std::to_wstring(i) + L".dat");
            if (i % 11 == 0)
                folders.push_back(L"C:\\Big\\D" + std::to_wstring(i % 97));
        }
        earlier += "</Components><Options><CurrentUser>0</CurrentUser></Options></TavrelUninstall>";
        Installed(files, folders);
    }
    WriteManifest(earlier);
    std::wstring earlierCopy = ManifestPath() + L".earlier";
    REQUIRE(CopyFileW(ManifestPath().c_str(), earlierCopy.c_str(), FALSE));

    CHECK(UpdateUninstallManifest(folder.path()) == ManifestUpdate::Updated);
    std::string expected = WrittenByTheDom(earlierCopy, Installer().installedFiles, Installer().installedFolders.Paths());
    DeleteFileW(earlierCopy.c_str());
    CHECK(xml_test::ReadBytes(ManifestPath()) == expected);
}
