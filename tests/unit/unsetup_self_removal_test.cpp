// The self-removal batch: four lines in the ANSI code page, CR LF each.
#include <doctest/doctest.h>

#include <string>

#include "unsetup/self_removal.h"

TEST_CASE("the batch loops on the executable, then deletes itself")
{
    std::string text;
    REQUIRE(BuildSelfRemovalBatch(L"C:\\Temp Folder\\tavrelunsetup.bin", L"C:\\Temp Folder\\tavrelunsetup.bat", text));
    CHECK(text
          == ":loop_start\r\n"
             "del \"C:\\Temp Folder\\tavrelunsetup.bin\"\r\n"
             "if exist \"C:\\Temp Folder\\tavrelunsetup.bin\" goto loop_start\r\n"
             "del \"C:\\Temp Folder\\tavrelunsetup.bat\"\r\n");
}

TEST_CASE("paths up to 259 characters are written whole")
{
    std::wstring longPath = L"C:\\" + std::wstring(252, L'x') + L".bin"; // 259 characters
    std::string text;
    REQUIRE(BuildSelfRemovalBatch(longPath, L"C:\\t.bat", text));
    CHECK(text.find("del \"C:\\" + std::string(252, 'x') + ".bin\"\r\n") != std::string::npos);
}

TEST_CASE("a path that does not fit 260 bytes gives no batch rather than a cut path")
{
    std::wstring tooLong = L"C:\\" + std::wstring(253, L'x') + L".bin"; // 260 characters
    std::string text;
    CHECK_FALSE(BuildSelfRemovalBatch(tooLong, L"C:\\t.bat", text));
    CHECK_FALSE(BuildSelfRemovalBatch(L"C:\\t.bin", tooLong, text));
}
