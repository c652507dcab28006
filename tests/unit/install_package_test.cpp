// The install sequence in this process: the checks before the copy, the
// worker's phases and what they leave behind.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <string>

#include "build_tree.h"
#include "message_box_recorder.h"
#include "package_test_support.h"
#include "packsetup/install_package.h"
#include "packsetup/install_worker.h"
#include "packsetup/res/resource.h"
#include "tests/fixtures/install_registry/install_registry.h"
#include "unsetup_test_links.h"

using package_test::CleanInstallerState;
using package_test::IsFolder;
using package_test::MakeFolder;

namespace {

const wchar_t kManifest[] = L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                            L"<TavrelUninstall><Components><File>C:\\Earlier\\tavrel.exe</File></Components>"
                            L"</TavrelUninstall>\r\n";

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(size > 0 ? size : 0, '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0], size, nullptr,
                            nullptr);
    return bytes;
}

// What the message box handler saw of the owner window under test.
struct OwnerProbe {
    static HWND watched;
    static bool enabled;
    static HWND dialogOwner;
    static std::wstring text;
    static int Record(HWND boxOwner, const std::wstring& boxText, const std::wstring&, UINT)
    {
        enabled = IsWindowEnabled(watched) != FALSE;
        dialogOwner = GetWindow(boxOwner, GW_OWNER);
        text = boxText;
        return IDOK;
    }
};
HWND OwnerProbe::watched = nullptr;
bool OwnerProbe::enabled = true;
HWND OwnerProbe::dialogOwner = nullptr;
std::wstring OwnerProbe::text;

std::wstring AppData()
{
    wchar_t path[MAX_PATH] = L"";
    SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// Sets the minimum of the last phases for one test.
class FinalPhaseMinimum {
public:
    explicit FinalPhaseMinimum(DWORD milliseconds) { SetFinalPhaseMinimumForTesting(milliseconds); }
    ~FinalPhaseMinimum() { SetFinalPhaseMinimumForTesting(2000); }
    FinalPhaseMinimum(const FinalPhaseMinimum&) = delete;
    FinalPhaseMinimum& operator=(const FinalPhaseMinimum&) = delete;
};

// A package folder, an installation folder with a manifest, the product key
// and an unpacked package below the application data, with the state of the
// installer describing them.
struct InstallFixture {
    CleanInstallerState state;
    xml_test::ScratchFolder root{L"install-package"};
    PackSetupTexts texts{build_tree::PackSetupPath()};
    install_registry::ScopedProductKey product{L"install-package"};
    MessageBoxRecorder boxes;
    std::wstring unpackName = L"UnitInstall-" + std::to_wstring(GetCurrentProcessId());
    std::wstring unpackFolder = AppData() + L"\\Halvest\\" + unpackName;

    InstallFixture()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        PackageDefinition& definition = Installer().definition;
        definition.productRegistryKey = product.Path();
        definition.unpackFolder = L"Halvest\\" + unpackName;
        definition.packageId = L"UnitPack";
        definition.packageTitle = L"Unit Pack";
        definition.removeFiles.clear();
        definition.removeDirectories.clear();
    }
    ~InstallFixture()
    {
        xml_test::RemoveTree(unpackFolder);
        Installer().definition = PackageDefinition();
    }

    std::wstring Package(const std::wstring& relative = L"") const { return root.File(L"image" + relative); }
    std::wstring Install(const std::wstring& relative = L"") const { return root.File(L"Tavrel" + relative); }

    void Prepare()
    {
        REQUIRE(root.created());
        REQUIRE(texts.Loaded());
        REQUIRE(MakeFolder(Package()));
        REQUIRE(MakeFolder(Install()));
        REQUIRE(xml_test::WriteBytes(Install(L"\\tavrelunsetup.dat"), Utf8(kManifest)));
        REQUIRE((MakeFolder(AppData() + L"\\Halvest") || IsFolder(AppData() + L"\\Halvest")));
        REQUIRE(MakeFolder(unpackFolder));
        REQUIRE(xml_test::WriteBytes(unpackFolder + L"\\packsetup.def", "unpacked"));
    }

    bool RecordWritten() const
    {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (product.Path() + L"\\Package\\UnitPack").c_str(), 0, KEY_READ, &key)
            != ERROR_SUCCESS)
            return false;
        RegCloseKey(key);
        return true;
    }
};

} // namespace

TEST_CASE("an empty package installs nothing but still records itself, and the last phases take two seconds")
{
    InstallFixture fixture;
    fixture.Prepare();

    DWORD start = GetTickCount();
    CHECK(InstallPackageFrom(fixture.Package(), fixture.Install(), nullptr, true));
    DWORD elapsed = GetTickCount() - start;

    CHECK(fixture.boxes.Boxes().empty());
    CHECK(elapsed >= 2000u);
    std::string manifest = xml_test::ReadBytes(fixture.Install(L"\\tavrelunsetup.dat"));
    CHECK(manifest.find(Utf8(L"<File>" + fixture.Install(L"\\tavrelunsetup.dat") + L"</File>"))
          != std::string::npos);
    CHECK(manifest.find("<File>C:\\Earlier\\tavrel.exe</File>") != std::string::npos);
    CHECK(fixture.RecordWritten());
    // This program does not run from the folder that the definition names,
    // as when an author names the product's own data folder: it stays.
    CHECK(xml_test::FileExists(fixture.unpackFolder + L"\\packsetup.def"));
    CHECK(IsFolder(AppData() + L"\\Halvest"));
}

TEST_CASE("a folder that does not exist yet is created by the copy")
{
    InstallFixture fixture;
    fixture.Prepare();
    FinalPhaseMinimum quick(0);
    REQUIRE(MakeFolder(fixture.Package(L"\\data")));
    REQUIRE(package_test::WriteSizedFile(fixture.Package(L"\\data\\x.bin"), 3000));
    std::wstring target = fixture.root.File(L"new\\deeper");

    CHECK(InstallPackageFrom(fixture.Package(), target, nullptr, true));
    CHECK(xml_test::FileExists(target + L"\\data\\x.bin"));
    CHECK(fixture.RecordWritten());
}

TEST_CASE("a package that cannot be listed whole is refused before anything changes")
{
    InstallFixture fixture;
    fixture.Prepare();
    FinalPhaseMinimum quick(0);
    std::string manifestBefore = xml_test::ReadBytes(fixture.Install(L"\\tavrelunsetup.dat"));
    std::wstring packageFolder = fixture.Package();
    // One character more than a MAX_PATH buffer holds, with its terminator.
    std::wstring longPath = fixture.Package(L"\\" + std::wstring(MAX_PATH - fixture.Package().size(), L'n'));

    SUBCASE("no image folder")
    {
        packageFolder = fixture.root.File(L"no-image");
    }
    SUBCASE("an entry too long to be listed")
    {
        REQUIRE(xml_test::WriteBytes(fixture.Package(L"\\short.txt"), "short"));
        REQUIRE(xml_test::WriteBytes(L"\\\\?\\" + longPath, "long"));
    }
    SUBCASE("a link planted in the image folder, whose target is not copied")
    {
        REQUIRE(xml_test::WriteBytes(fixture.Package(L"\\short.txt"), "short"));
        REQUIRE(MakeFolder(fixture.root.File(L"elsewhere")));
        REQUIRE(xml_test::WriteBytes(fixture.root.File(L"elsewhere\\target.txt"), "target"));
        REQUIRE(test_links::MakeFolderLink(fixture.Package(L"\\linked"), fixture.root.File(L"elsewhere")));
    }
    SUBCASE("a hard link in the image folder to a file elsewhere")
    {
        REQUIRE(xml_test::WriteBytes(fixture.Package(L"\\short.txt"), "short"));
        REQUIRE(xml_test::WriteBytes(fixture.root.File(L"secret.txt"), "secret"));
        REQUIRE(CreateHardLinkW(fixture.Package(L"\\secret.txt").c_str(), fixture.root.File(L"secret.txt").c_str(),
                                nullptr));
    }
    // It would make the package's manifest the one that the next elevated
    // uninstall reads.
    SUBCASE("the short name of the installed manifest at the top of the image folder")
    {
        wchar_t alias[MAX_PATH] = L"";
        REQUIRE(GetShortPathNameW(fixture.Install(L"\\tavrelunsetup.dat").c_str(), alias, MAX_PATH) > 0);
        std::wstring aliasName = PathFindFileNameW(alias);
        REQUIRE(aliasName != L"tavrelunsetup.dat");
        REQUIRE(xml_test::WriteBytes(fixture.Package(L"\\short.txt"), "short"));
        REQUIRE(xml_test::WriteBytes(fixture.Package(L"\\" + aliasName), "<TavrelUninstall/>"));
    }

    CHECK_FALSE(InstallPackageFrom(packageFolder, fixture.Install(), nullptr, true));
    REQUIRE(fixture.boxes.Boxes().size() == 1);
    const RecordedBox& box = fixture.boxes.Boxes()[0];
    CHECK(box.text == LoadText(IDS_SOURCE_NOT_FOUND));
    CHECK(box.flags == MB_ICONERROR);
    // Owned by the progress dialog.
    CHECK(box.owner != nullptr);
    CHECK_FALSE(xml_test::FileExists(fixture.Install(L"\\short.txt")));
    CHECK(xml_test::ReadBytes(fixture.Install(L"\\tavrelunsetup.dat")) == manifestBefore);
    CHECK_FALSE(fixture.RecordWritten());
    CHECK(IsFolder(fixture.unpackFolder));
    // The scratch folder's removal cannot reach the long name, and would
    // walk the link.
    DeleteFileW((L"\\\\?\\" + longPath).c_str());
    test_links::RemoveTreeKeepingLinkTargets(fixture.Package(L"\\linked"));
}

TEST_CASE("the owner is disabled while the dialog is up and enabled again afterwards")
{
    InstallFixture fixture;
    fixture.Prepare();
    HWND owner = CreateWindowW(L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr,
                               nullptr);
    REQUIRE(owner != nullptr);

    std::wstring folder;
    UINT expected = 0;
    SUBCASE("a drive root")
    {
        folder = L"C:\\";
        expected = IDS_INVALID_FOLDER_NAME;
    }
    SUBCASE("a tab in the name")
    {
        folder = fixture.Install(L"\tTab");
        expected = IDS_INVALID_FOLDER_CHARACTERS;
    }
    OwnerProbe::watched = owner;
    MessageBoxHandler previous = SetMessageBoxHandler(OwnerProbe::Record);
    bool installed = InstallPackageFrom(fixture.Package(), folder, owner, true);
    SetMessageBoxHandler(previous);

    CHECK_FALSE(installed);
    CHECK(OwnerProbe::text == LoadText(expected));
    CHECK_FALSE(OwnerProbe::enabled);
    // The box is owned by the progress dialog, which the owner owns.
    CHECK(OwnerProbe::dialogOwner == owner);
    CHECK(IsWindowEnabled(owner));
    CHECK_FALSE(fixture.RecordWritten());
    DestroyWindow(owner);
}
