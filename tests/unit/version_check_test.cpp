// The required version, the version comparison, the path of tavrel.exe, the
// file version of real executables and the three refusals of the version check.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "packsetup/file_version.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"
#include "packsetup/version_check.h"
#include "tests/fixtures/tavrel_standin/standin.h"
#include "tests/unit/build_tree.h"
#include "tests/unit/message_box_recorder.h"

namespace {

bool Parses(const std::wstring& text, unsigned long major, unsigned long minor, unsigned long build)
{
    RequiredVersion version;
    if (!ParseRequiredVersion(text, version))
        return false;
    return version.major == major && version.minor == minor && version.build == build;
}

bool Rejected(const std::wstring& text)
{
    RequiredVersion version;
    version.major = 7;
    bool parsed = ParseRequiredVersion(text, version);
    // A rejected text leaves the version as it was.
    return !parsed && version.major == 7;
}

FileVersion Installed(WORD major, WORD minor, WORD build)
{
    FileVersion version;
    version.major = major;
    version.minor = minor;
    version.build = build;
    return version;
}

RequiredVersion Required(unsigned long major, unsigned long minor, unsigned long build)
{
    RequiredVersion version;
    version.major = major;
    version.minor = minor;
    version.build = build;
    return version;
}

// A scratch installation folder below the temporary folder.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::wstring& name)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        path_ = std::wstring(temp) + name + L"-" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(path_.c_str(), nullptr);
    }
    ~ScratchFolder()
    {
        DeleteFileW((path_ + L"\\tavrel.exe").c_str());
        RemoveDirectoryW(path_.c_str());
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    bool InstallStandIn(const wchar_t* variant) const
    {
        return CopyFileW(standin::VariantPath(variant).c_str(), (path_ + L"\\tavrel.exe").c_str(), FALSE) != FALSE;
    }

private:
    std::wstring path_;
};

} // namespace

TEST_CASE("the required version reads three numbers as the %u.%u.%u scan does")
{
    CHECK(Parses(L"1.2.9", 1, 2, 9));
    CHECK(Parses(L"0.0.0", 0, 0, 0));
    CHECK(Parses(L"4294967295.65536.1", 4294967295ul, 65536, 1));
    CHECK(Parses(L" 1. 2.\t3", 1, 2, 3));
    CHECK(Parses(L"007.010.0200", 7, 10, 200));
    // Anything after the third number is ignored, a fourth number included.
    CHECK(Parses(L"1.2.3.4", 1, 2, 3));
    CHECK(Parses(L"1.2.3beta", 1, 2, 3));
    RequiredVersion version;
    std::wstring ignored = L"unchanged";
    CHECK(ParseRequiredVersion(L"1.2.3.4 beta", version, ignored));
    CHECK(ignored == L".4 beta");
    CHECK(ParseRequiredVersion(L"1.2.3", version, ignored));
    CHECK(ignored.empty());

    CHECK(Rejected(L""));
    CHECK(Rejected(L"1.2"));
    CHECK(Rejected(L"1.2."));
    CHECK(Rejected(L"1..2.3"));
    CHECK(Rejected(L"1 .2.3"));
    CHECK(Rejected(L"1,2,3"));
    CHECK(Rejected(L"v1.2.3"));
    CHECK(Rejected(L"1.x.3"));
    CHECK(Rejected(L"-1.2.3"));
    CHECK(Rejected(L"1.+2.3"));
    CHECK(Rejected(L"4294967296.0.0"));
    CHECK(Rejected(L"1.2.99999999999999999999"));
    CHECK(Rejected(L"１.２.３")); // full-width digits are no decimal digits here
}

TEST_CASE("the first number that differs decides")
{
    CHECK(IsVersionSufficient(Installed(1, 3, 0), Required(1, 2, 9)));
    CHECK(IsVersionSufficient(Installed(1, 2, 3), Required(1, 2, 3)));
    CHECK(IsVersionSufficient(Installed(2, 0, 0), Required(1, 65535, 65535)));
    CHECK_FALSE(IsVersionSufficient(Installed(1, 2, 2), Required(1, 2, 3)));
    CHECK_FALSE(IsVersionSufficient(Installed(1, 2, 9), Required(1, 3, 0)));
    CHECK_FALSE(IsVersionSufficient(Installed(0, 9, 9), Required(1, 0, 0)));
    // The required numbers may exceed what a file version can hold.
    CHECK_FALSE(IsVersionSufficient(Installed(65535, 65535, 65535), Required(65536, 0, 0)));
    CHECK_FALSE(IsVersionSufficient(Installed(1, 2, 65535), Required(1, 2, 65536)));
}

TEST_CASE("the path of tavrel.exe gets exactly one backslash and never exceeds MAX_PATH")
{
    std::wstring path;
    CHECK(BuildMainProgramPath(L"C:\\Tavrel", path));
    CHECK(path == L"C:\\Tavrel\\tavrel.exe");
    CHECK(BuildMainProgramPath(L"C:\\Tavrel\\", path));
    CHECK(path == L"C:\\Tavrel\\tavrel.exe");
    CHECK(BuildMainProgramPath(L"C:\\", path));
    CHECK(path == L"C:\\tavrel.exe");

    // 248 + 1 + 10 = 259 characters fit; one more does not.
    std::wstring folder = L"C:\\" + std::wstring(245, L'a');
    REQUIRE(folder.size() == 248);
    CHECK(BuildMainProgramPath(folder, path));
    CHECK(path.size() == 259);
    path = L"unchanged";
    CHECK_FALSE(BuildMainProgramPath(folder + L"b", path));
    CHECK(path == L"unchanged");
    CHECK_FALSE(BuildMainProgramPath(L"", path));
}

TEST_CASE("the file version comes from the fixed version information")
{
    FileVersion version;
    SUBCASE("1.3.0.0")
    {
        REQUIRE(GetExeFileVersion(standin::VariantPath(standin::kVersion1_3_0), version));
        CHECK(version.major == 1);
        CHECK(version.minor == 3);
        CHECK(version.build == 0);
    }
    SUBCASE("65535.2.40000.7: every word in its place, the fourth unused")
    {
        REQUIRE(GetExeFileVersion(standin::VariantPath(standin::kVersion65535_2_40000), version));
        CHECK(version.major == 65535);
        CHECK(version.minor == 2);
        CHECK(version.build == 40000);
    }
    SUBCASE("no version resource")
    {
        CHECK_FALSE(GetExeFileVersion(standin::VariantPath(standin::kNoVersion), version));
    }
    SUBCASE("no file")
    {
        CHECK_FALSE(GetExeFileVersion(standin::VariantPath(L"no-such-program.exe"), version));
    }
    SUBCASE("a file that is no executable")
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        std::wstring path = std::wstring(temp) + L"not-an-exe-" + std::to_wstring(GetCurrentProcessId()) + L".exe";
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        REQUIRE(file != INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, "MZ but nothing else", 19, &written, nullptr);
        CloseHandle(file);
        CHECK_FALSE(GetExeFileVersion(path, version));
        DeleteFileW(path.c_str());
    }
}

TEST_CASE("the version check passes or refuses with its three messages")
{
    PackSetupTexts texts(build_tree::PackSetupPath());
    REQUIRE(texts.Loaded());
    MessageBoxRecorder boxes;
    ScratchFolder folder(L"version-check");
    InstallerState& state = Installer();
    state.definition.caption = L"Version caption";
    state.installFolder = folder.Path();

    std::wstring expected;
    SUBCASE("installed 1.3.0 against 1.2.9 passes")
    {
        REQUIRE(folder.InstallStandIn(standin::kVersion1_3_0));
        state.definition.requiredVersion = L"1.2.9";
    }
    SUBCASE("installed 1.3.0 against 1.3.0 passes, with a trailing backslash on the folder")
    {
        REQUIRE(folder.InstallStandIn(standin::kVersion1_3_0));
        state.installFolder += L"\\";
        state.definition.requiredVersion = L"1.3.0";
    }
    SUBCASE("installed 1.3.0 against 1.3.1 is too old")
    {
        REQUIRE(folder.InstallStandIn(standin::kVersion1_3_0));
        state.definition.requiredVersion = L"1.3.1";
        expected = LoadText(IDS_NEWER_VERSION_REQUIRED);
    }
    SUBCASE("two numbers are an invalid field, even before the file is looked at")
    {
        state.definition.requiredVersion = L"1.2";
        expected = LoadText(IDS_DEFINITION_LOAD_FAILED) + L"\n\nError code: Invalid RequiredVersion field";
    }
    SUBCASE("no tavrel.exe")
    {
        state.definition.requiredVersion = L"1.0.0";
        expected = LoadText(IDS_INSTALL_LOCATION_NOT_FOUND) + L"\n\nError code: Tavrel.exe version check failed";
    }
    SUBCASE("a tavrel.exe without version")
    {
        REQUIRE(folder.InstallStandIn(standin::kNoVersion));
        state.definition.requiredVersion = L"1.0.0";
        expected = LoadText(IDS_INSTALL_LOCATION_NOT_FOUND) + L"\n\nError code: Tavrel.exe version check failed";
    }

    bool passed = RunVersionCheck();
    if (expected.empty()) {
        CHECK(passed);
        CHECK(boxes.Boxes().empty());
    } else {
        CHECK_FALSE(passed);
        REQUIRE(boxes.Boxes().size() == 1);
        const RecordedBox& box = boxes.Boxes()[0];
        CHECK(box.owner == nullptr);
        CHECK(box.title == L"Version caption");
        CHECK(box.flags == static_cast<UINT>(MB_ICONERROR));
        CHECK(box.text == expected);
        CHECK(box.text.size() > 50);
    }
    state = InstallerState();
}
