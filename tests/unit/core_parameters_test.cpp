// The core instance's command line as the interface instance writes it, and
// as the core reads it back.
#include <doctest/doctest.h>

#include <string>

#include "packsetup/command_line.h"
#include "packsetup/core_options.h"
#include "packsetup/core_parameters.h"

namespace {

// What a core started as "<program>" <parameters> reads.
CoreOptions ReadBack(const std::wstring& parameters)
{
    CoreOptions options;
    CommandLine commandLine = ParseCommandLine(L"\"C:\\Setup Folder\\packsetup.exe\" " + parameters);
    REQUIRE(ReadCoreOptions(commandLine, options));
    return options;
}

} // namespace

TEST_CASE("the core's parameters: window, CurrentUser, then the whole CoreExec option in quotes")
{
    CHECK(BuildCoreParameters(0, false, L"C:\\Program Files\\Tavrel!\\")
          == L"/Hwnd:0 /CurrentUser:0 \"/CoreExec:C:\\Program Files\\Tavrel!\\\"");
    CHECK(BuildCoreParameters(0, true, L"D:\\T") == L"/Hwnd:0 /CurrentUser:1 \"/CoreExec:D:\\T\"");
    CHECK(BuildCoreParameters(4294967295ul, false, L"D:\\T") == L"/Hwnd:4294967295 /CurrentUser:0 \"/CoreExec:D:\\T\"");
}

TEST_CASE("the folder reaches the core unchanged, blanks and trailing backslash included")
{
    for (const wchar_t* folder : {L"C:\\Program Files\\Tavrel!\\", L"C:\\Program Files\\Tavrel!", L"C:\\a  b \\",
                                  L"C:\\Tavrel"}) {
        CAPTURE(std::wstring(folder));
        CoreOptions options = ReadBack(BuildCoreParameters(0, false, folder));
        CHECK(options.installFolder == folder);
        CHECK(options.ownerWindow == nullptr);
        CHECK(options.performInstall);
    }
    CHECK_FALSE(ReadBack(BuildCoreParameters(0, true, L"C:\\Tavrel")).performInstall);
}

TEST_CASE("a folder of up to 259 characters reaches the core whole; one that cannot is never passed")
{
    for (size_t length : {255u, 259u}) {
        std::wstring folder = L"C:\\Program Files\\" + std::wstring(length - 18, L'x') + L"\\";
        REQUIRE(CanPassToCore(folder));
        CHECK(ReadBack(BuildCoreParameters(0, false, folder)).installFolder == folder);
    }
    CHECK_FALSE(CanPassToCore(std::wstring(260, L'x')));
    CHECK_FALSE(CanPassToCore(L"C:\\a\" /CoreExec:C:\\b"));
    CHECK_FALSE(CanPassToCore(std::wstring(L"C:\\a\0b", 6)));
}
