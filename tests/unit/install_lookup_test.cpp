// Reading InstallPath and the installation lookup under both hives, with
// well-formed and malformed registry values.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "packsetup/install_lookup.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"
#include "tests/fixtures/install_registry/install_registry.h"
#include "tests/unit/build_tree.h"
#include "tests/unit/message_box_recorder.h"

using install_registry::ScopedProductKey;

namespace {

// What ReadInstallPath gives for an InstallPath of these bytes under HKCU;
// "<missing>" when it reports the value as missing.
std::wstring ReadRaw(DWORD type, const void* data, DWORD size)
{
    ScopedProductKey product(L"raw");
    REQUIRE(product.SetRaw(HKEY_CURRENT_USER, type, data, size));
    std::wstring path = L"left over";
    if (!ReadInstallPath(HKEY_CURRENT_USER, product.Path(), path)) {
        CHECK(path.empty());
        return L"<missing>";
    }
    return path;
}

std::wstring ReadString(DWORD type, const std::wstring& text, bool withTerminator)
{
    DWORD size = static_cast<DWORD>((text.size() + (withTerminator ? 1 : 0)) * sizeof(wchar_t));
    return ReadRaw(type, text.c_str(), size);
}

} // namespace

TEST_CASE("a well-formed InstallPath is read as it is stored")
{
    CHECK(ReadString(REG_SZ, L"C:\\Program Files\\Tavrel!", true) == L"C:\\Program Files\\Tavrel!");
    CHECK(ReadString(REG_SZ, L"C:\\Tavrel\\", true) == L"C:\\Tavrel\\");
    CHECK(ReadString(REG_SZ, L"D:\\漫画\\Tavrel!", true) == L"D:\\漫画\\Tavrel!");
}

TEST_CASE("the length limit: 259 characters fit, 260 do not")
{
    std::wstring longest = L"C:\\" + std::wstring(256, L'a');
    REQUIRE(longest.size() == 259);
    std::wstring tooLong = longest + L"b";

    CHECK(ReadString(REG_SZ, longest, true) == longest);
    CHECK(ReadString(REG_SZ, longest, false) == longest);
    CHECK(ReadString(REG_SZ, tooLong, true) == L"<missing>");
    // 520 bytes without a terminator fill the whole buffer: still too long.
    CHECK(ReadString(REG_SZ, tooLong, false) == L"<missing>");
    CHECK(ReadString(REG_SZ, std::wstring(2000, L'x'), true) == L"<missing>");
}

TEST_CASE("a value without a terminator or of odd size is read within its bytes")
{
    CHECK(ReadString(REG_SZ, L"C:\\Tavrel", false) == L"C:\\Tavrel");
    const wchar_t text[] = L"C:\\Tavrel";
    // Seven characters and one stray byte of the eighth.
    CHECK(ReadRaw(REG_SZ, text, 15) == L"C:\\Tavr");
    CHECK(ReadRaw(REG_SZ, text, 1) == L"<missing>");
    // Only the text before an embedded terminator counts.
    const wchar_t embedded[] = L"C:\\A\0C:\\B";
    CHECK(ReadRaw(REG_SZ, embedded, sizeof(embedded)) == L"C:\\A");
}

TEST_CASE("a REG_EXPAND_SZ InstallPath is read expanded, within the same limit")
{
    REQUIRE(SetEnvironmentVariableW(L"TAVREL_TEST_ROOT", L"D:\\Apps"));
    CHECK(ReadString(REG_EXPAND_SZ, L"%TAVREL_TEST_ROOT%\\Tavrel!", true) == L"D:\\Apps\\Tavrel!");

    // Short as stored, but 260 characters once expanded; one fewer fits.
    REQUIRE(SetEnvironmentVariableW(L"TAVREL_TEST_ROOT", (L"C:\\" + std::wstring(250, L'a')).c_str()));
    CHECK(ReadString(REG_EXPAND_SZ, L"%TAVREL_TEST_ROOT%\\Tavrel", true) == L"<missing>");
    CHECK(ReadString(REG_EXPAND_SZ, L"%TAVREL_TEST_ROOT%\\Tavre", true).size() == 259);
    SetEnvironmentVariableW(L"TAVREL_TEST_ROOT", nullptr);
}

TEST_CASE("an InstallPath that is empty or of another type counts as missing")
{
    CHECK(ReadString(REG_SZ, L"", true) == L"<missing>");
    CHECK(ReadRaw(REG_SZ, L"", 0) == L"<missing>");
    CHECK(ReadString(REG_EXPAND_SZ, L"", true) == L"<missing>");
    CHECK(ReadString(REG_MULTI_SZ, L"C:\\Tavrel\0", true) == L"<missing>");
    CHECK(ReadString(REG_BINARY, L"C:\\Tavrel", true) == L"<missing>");
    DWORD number = 42;
    CHECK(ReadRaw(REG_DWORD, &number, sizeof(number)) == L"<missing>");
}

TEST_CASE("a missing key, value or key path gives false and an empty path")
{
    ScopedProductKey product(L"missing");
    std::wstring path = L"left over";
    CHECK_FALSE(ReadInstallPath(HKEY_CURRENT_USER, product.Path(), path));
    CHECK(path.empty());

    REQUIRE(product.Create(HKEY_CURRENT_USER));
    path = L"left over";
    CHECK_FALSE(ReadInstallPath(HKEY_CURRENT_USER, product.Path(), path));
    CHECK(path.empty());

    path = L"left over";
    CHECK_FALSE(ReadInstallPath(HKEY_CURRENT_USER, L"", path));
    CHECK(path.empty());
}

TEST_CASE("the lookup prefers the current user and falls back to the machine")
{
    ScopedProductKey product(L"locate");
    std::wstring folder = L"unchanged";
    bool perUser = true;

    SUBCASE("under both hives the current user's value wins")
    {
        REQUIRE(product.SetInstallPath(HKEY_CURRENT_USER, L"C:\\User\\Tavrel"));
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        perUser = false;
        CHECK(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"C:\\User\\Tavrel");
        CHECK(perUser);
    }
    SUBCASE("an expandable value under the current user beats the machine's string")
    {
        REQUIRE(SetEnvironmentVariableW(L"TAVREL_TEST_ROOT", L"C:\\User"));
        const std::wstring stored = L"%TAVREL_TEST_ROOT%\\Tavrel";
        REQUIRE(product.SetRaw(HKEY_CURRENT_USER, REG_EXPAND_SZ, stored.c_str(),
                               static_cast<DWORD>((stored.size() + 1) * sizeof(wchar_t))));
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        CHECK(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"C:\\User\\Tavrel");
        CHECK(perUser);
        SetEnvironmentVariableW(L"TAVREL_TEST_ROOT", nullptr);
    }
    SUBCASE("only under the machine")
    {
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        CHECK(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"C:\\Machine\\Tavrel");
        CHECK_FALSE(perUser);
    }
    SUBCASE("a malformed value under the current user does not hide the machine's")
    {
        DWORD number = 1;
        REQUIRE(product.SetRaw(HKEY_CURRENT_USER, REG_DWORD, &number, sizeof(number)));
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        CHECK(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"C:\\Machine\\Tavrel");
        CHECK_FALSE(perUser);
    }
    SUBCASE("the machine's value is read in the 32-bit view, where the shipped programs see it")
    {
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Native\\Tavrel", install_registry::kOtherView));
        CHECK_FALSE(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"unchanged");
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        CHECK(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"C:\\Machine\\Tavrel");
        CHECK_FALSE(perUser);
    }
    SUBCASE("under neither: nothing changes")
    {
        REQUIRE(product.SetInstallPath(HKEY_CURRENT_USER, L""));
        CHECK_FALSE(LocateInstallation(product.Path(), folder, perUser));
        CHECK(folder == L"unchanged");
        CHECK(perUser);
    }
}

TEST_CASE("the installation lookup fills the installer state or reports string 155")
{
    PackSetupTexts texts(build_tree::PackSetupPath());
    REQUIRE(texts.Loaded());
    MessageBoxRecorder boxes;
    ScopedProductKey product(L"lookup");
    InstallerState& state = Installer();
    state.definition.caption = L"Lookup caption";
    state.definition.productRegistryKey = product.Path();
    state.installFolder.clear();
    state.perUserInstall = true;

    SUBCASE("found for the machine")
    {
        REQUIRE(product.SetInstallPath(HKEY_LOCAL_MACHINE, L"C:\\Machine\\Tavrel"));
        CHECK(RunInstallationLookup());
        CHECK(state.installFolder == L"C:\\Machine\\Tavrel");
        CHECK_FALSE(state.perUserInstall);
        CHECK(boxes.Boxes().empty());
    }
    SUBCASE("found for the user")
    {
        REQUIRE(product.SetInstallPath(HKEY_CURRENT_USER, L"C:\\User\\Tavrel"));
        CHECK(RunInstallationLookup());
        CHECK(state.installFolder == L"C:\\User\\Tavrel");
        CHECK(state.perUserInstall);
        CHECK(boxes.Boxes().empty());
    }
    SUBCASE("not found")
    {
        CHECK_FALSE(RunInstallationLookup());
        CHECK(state.installFolder.empty());
        REQUIRE(boxes.Boxes().size() == 1);
        CHECK(boxes.Boxes()[0].owner == nullptr);
        CHECK(boxes.Boxes()[0].title == L"Lookup caption");
        CHECK(boxes.Boxes()[0].flags == static_cast<UINT>(MB_ICONERROR));
        CHECK(!boxes.Boxes()[0].text.empty());
        CHECK(boxes.Boxes()[0].text == LoadText(IDS_INSTALL_LOCATION_NOT_FOUND));
    }
    state = InstallerState();
}
