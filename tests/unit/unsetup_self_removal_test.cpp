// The self-removal batch: four lines in cmd's (OEM) code page, CR LF each,
// and the command line that runs it.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "unsetup/self_removal.h"

TEST_CASE("the batch loops on the executable, then deletes itself; cmd then removes the folder")
{
    std::string text;
    REQUIRE(BuildSelfRemovalBatch(L"C:\\Temp 100%\\tavrelunsetup.bin", L"C:\\Temp 100%\\tavrelunsetup.bat", text));
    // A single '%' would be read as the start of a variable.
    CHECK(text
          == ":loop_start\r\n"
             "del \"C:\\Temp 100%%\\tavrelunsetup.bin\"\r\n"
             "if exist \"C:\\Temp 100%%\\tavrelunsetup.bin\" goto loop_start\r\n"
             "del \"C:\\Temp 100%%\\tavrelunsetup.bat\"\r\n");

    std::wstring commandLine;
    REQUIRE(BuildSelfRemovalCommandLine(L"C:\\Windows\\Temp\\w 1\\tavrelunsetup.bat", commandLine));
    CHECK(commandLine
          == L"cmd.exe /D /V:OFF /C \"\"C:\\Windows\\Temp\\w 1\\tavrelunsetup.bat\" & rmdir \"C:\\Windows\\Temp\\w 1\"\"");
    // A command line has no escape for '%'.
    CHECK_FALSE(BuildSelfRemovalCommandLine(L"C:\\Temp 100%\\tavrelunsetup.bat", commandLine));
}

TEST_CASE("paths are written in cmd's code page, not the ANSI one")
{
    std::string text;
    bool built = BuildSelfRemovalBatch(L"C:\\caf\u00e9\\t.bin", L"C:\\caf\u00e9\\t.bat", text);
    if (GetOEMCP() == 932u) {
        CHECK_FALSE(built); // the Japanese code page has no "é"
    } else {
        // "é" is 0x82 in the console's code page 437 and 0xE9 in ANSI 1252.
        REQUIRE(GetOEMCP() == 437u);
        REQUIRE(built);
        CHECK(text.find("del \"C:\\caf\x82\\t.bin\"\r\n") != std::string::npos);
    }
}

TEST_CASE("paths up to 259 characters are written whole")
{
    std::wstring longPath = L"C:\\" + std::wstring(252, L'x') + L".bin"; // 259 characters
    std::string text;
    REQUIRE(BuildSelfRemovalBatch(longPath, L"C:\\t.bat", text));
    CHECK(text.find("del \"C:\\" + std::string(252, 'x') + ".bin\"\r\n") != std::string::npos);
}

TEST_CASE("a path that cannot be written safely gives no batch rather than a wrong path")
{
    std::wstring unsafe;
    SUBCASE("it does not fit 260 bytes") { unsafe = L"C:\\" + std::wstring(253, L'x') + L".bin"; }
    SUBCASE("a double quote would end the quoted path") { unsafe = L"C:\\a\" & b\\t.bin"; }
    SUBCASE("a character that the code page lacks") { unsafe = L"C:\\\u0e01\\t.bin"; }
    SUBCASE("a character that would be written as a look-alike") { unsafe = L"C:\\\u0101\\t.bin"; }
    std::string text;
    CHECK_FALSE(BuildSelfRemovalBatch(unsafe, L"C:\\t.bat", text));
    CHECK_FALSE(BuildSelfRemovalBatch(L"C:\\t.bin", unsafe, text));
}
