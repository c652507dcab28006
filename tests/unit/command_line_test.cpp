#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "packsetup/command_line.h"
#include "packsetup/core_options.h"

namespace {

bool NothingExists(const std::wstring&)
{
    return false;
}

std::wstring existingPath;

bool OnlyExistingPathExists(const std::wstring& path)
{
    return path == existingPath;
}

CommandLine Parse(const std::wstring& text)
{
    return ParseCommandLine(text, NothingExists);
}

typedef std::vector<std::wstring> Tokens;

} // namespace

TEST_CASE("the program name is skipped, quoted or not, with the blanks behind it")
{
    CommandLine quoted = Parse(L"\"C:\\Setup Files\\packsetup.exe\" \t /CoreExec:C:\\T a");
    CHECK(quoted.rawText == L"/CoreExec:C:\\T a");
    CHECK(quoted.options == Tokens{L"CoreExec:C:\\T"});
    CHECK(quoted.arguments == Tokens{L"a"});

    CommandLine plain = Parse(L"packsetup.exe   -x");
    CHECK(plain.rawText == L"-x");
    CHECK(plain.options == Tokens{L"x"});

    CommandLine unterminated = Parse(L"\"C:\\packsetup.exe /x");
    CHECK(unterminated.rawText.empty());
    CHECK(unterminated.options.empty());

    CommandLine nameOnly = Parse(L"packsetup.exe");
    CHECK(nameOnly.options.empty());
    CHECK(nameOnly.arguments.empty());
}

TEST_CASE("option tokens")
{
    SUBCASE("a blank after the mark belongs to the option")
    {
        CHECK(Parse(L"p / abc def").options == Tokens{L" abc"});
        CHECK(Parse(L"p / abc def").arguments == Tokens{L"def"});
    }
    SUBCASE("a mark at the very end gives an empty option")
    {
        CHECK(Parse(L"p /a -").options == Tokens{L"a", L""});
    }
    SUBCASE("double quotes inside an option have no meaning")
    {
        CHECK(Parse(L"p /CoreExec:\"C:\\My Folder\"").options == Tokens{L"CoreExec:\"C:\\My"});
    }
    SUBCASE("options are not limited in length")
    {
        std::wstring longOption(400, L'x');
        CHECK(Parse(L"p /" + longOption).options == Tokens{longOption});
    }
}

TEST_CASE("quoted tokens")
{
    SUBCASE("an option token in quotes keeps its blanks")
    {
        CommandLine line = Parse(L"p \"/CoreExec:C:\\Program Files\\Tavrel!\" /Hwnd:0");
        CHECK(line.options == Tokens{L"CoreExec:C:\\Program Files\\Tavrel!", L"Hwnd:0"});
        CHECK(line.arguments.empty());
    }
    SUBCASE("a lone mark in quotes is an argument")
    {
        CHECK(Parse(L"p \"-\" \"/\"").arguments == Tokens{L"-", L"/"});
        CHECK(Parse(L"p \"-\"").options.empty());
    }
    SUBCASE("an empty quoted token is an argument")
    {
        CHECK(Parse(L"p \"\" x").arguments == Tokens{L"", L"x"});
    }
    SUBCASE("a missing closing quote ends the token at the end of the text")
    {
        CHECK(Parse(L"p \"a b").arguments == Tokens{L"a b"});
    }
    SUBCASE("more than 260 characters without a closing quote are split")
    {
        std::wstring first(260, L'a');
        CommandLine line = Parse(L"p \"" + first + L"bc /x");
        CHECK(line.arguments == Tokens{first, L"bc"});
        CHECK(line.options == Tokens{L"x"});
    }
    SUBCASE("exactly 260 characters with their closing quote stay one token")
    {
        std::wstring text(260, L'a');
        CommandLine line = Parse(L"p \"" + text + L"\" z");
        CHECK(line.arguments == Tokens{text, L"z"});
    }
}

TEST_CASE("plain tokens")
{
    SUBCASE("an existing path with blanks is taken whole and ends parsing")
    {
        existingPath = L"C:\\Program Files\\x /CoreExec:y";
        CommandLine line = ParseCommandLine(L"p a C:\\Program Files\\x /CoreExec:y",
                                            OnlyExistingPathExists);
        CHECK(line.arguments == Tokens{L"a", L"C:\\Program Files\\x /CoreExec:y"});
        CHECK(line.options.empty());
    }
    SUBCASE("a path that does not exist splits at blanks")
    {
        CHECK(Parse(L"p C:\\Program Files").arguments == Tokens{L"C:\\Program", L"Files"});
    }
    SUBCASE("a token longer than 260 characters is split")
    {
        std::wstring text(300, L'q');
        CHECK(Parse(L"p " + text).arguments == Tokens{text.substr(0, 260), text.substr(260)});
    }
    SUBCASE("every kind of white space separates")
    {
        CHECK(Parse(L"p a\tb\nc\rd\ve\ff").arguments == Tokens{L"a", L"b", L"c", L"d", L"e", L"f"});
    }
}

TEST_CASE("option lookup")
{
    CommandLine line = Parse(L"p /Hwnd:12 /DotnetSetup /coreexec:D:\\x /CoreExec:E:\\y /Empty:");

    CHECK(line.HasOption(L"DotnetSetup"));
    CHECK_FALSE(line.HasOption(L"dotnetsetup"));
    CHECK_FALSE(line.HasOption(L"Hwnd"));

    std::wstring value = L"unchanged";
    CHECK(line.GetOptionValue(L"CoreExec", value));
    CHECK(value == L"D:\\x");
    CHECK(line.GetOptionValue(L"Empty", value));
    CHECK(value.empty());

    value = L"unchanged";
    CHECK_FALSE(line.GetOptionValue(L"DotnetSetup", value));
    CHECK_FALSE(line.GetOptionValue(L"Hwnd:1", value));
    CHECK(value == L"unchanged");
}

TEST_CASE("numeric option values convert only as a whole")
{
    unsigned long number = 7;
    CHECK(ParseOptionNumber(L"0", number));
    CHECK(number == 0);
    CHECK(ParseOptionNumber(L"4294967295", number));
    CHECK(number == 4294967295UL);

    for (const wchar_t* bad : {L"", L"12a", L"a12", L" 12", L"12 ", L"0x10", L"4294967296", L"1.5"}) {
        CAPTURE(std::string(bad, bad + wcslen(bad)));
        CHECK_FALSE(ParseOptionNumber(bad, number));
    }
}

TEST_CASE("run mode and core options")
{
    CoreOptions options;
    SUBCASE("no CoreExec is the interface instance")
    {
        CHECK_FALSE(ReadCoreOptions(Parse(L"p"), options));
        CHECK_FALSE(ReadCoreOptions(Parse(L"p /CoreExec /Hwnd:1"), options));
    }
    SUBCASE("a quoted CoreExec keeps a folder with blanks; unquoted it is cut")
    {
        REQUIRE(ReadCoreOptions(Parse(L"p /Hwnd:0 /CurrentUser:0 \"/CoreExec:C:\\Program Files\\T\\\""),
                                options));
        CHECK(options.installFolder == L"C:\\Program Files\\T\\");
        CHECK(options.performInstall);
        CHECK(options.ownerWindow == nullptr);

        REQUIRE(ReadCoreOptions(Parse(L"p -CoreExec:C:\\Program Files\\T"), options));
        CHECK(options.installFolder == L"C:\\Program");
    }
    SUBCASE("lower-case coreexec selects the core; prerequisite options need their exact case")
    {
        REQUIRE(ReadCoreOptions(Parse(L"p /coreexec:C:\\T /dotnetsetup /DXSETUP"), options));
        CHECK_FALSE(options.installDotnet);
        CHECK_FALSE(options.installDirectX);
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:C:\\T /DotnetSetup /DxSetup"), options));
        CHECK(options.installDotnet);
        CHECK(options.installDirectX);
    }
    SUBCASE("Hwnd converts to a window or to none")
    {
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /Hwnd:65570"), options));
        CHECK(options.ownerWindow == reinterpret_cast<HWND>(65570));
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /Hwnd:6557a"), options));
        CHECK(options.ownerWindow == nullptr);
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /Hwnd:"), options));
        CHECK(options.ownerWindow == nullptr);
    }
    SUBCASE("only CurrentUser 0 makes the core install")
    {
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x"), options));
        CHECK_FALSE(options.performInstall);
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /CurrentUser:1"), options));
        CHECK_FALSE(options.performInstall);
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /CurrentUser:no"), options));
        CHECK_FALSE(options.performInstall);
        REQUIRE(ReadCoreOptions(Parse(L"p /CoreExec:x /currentuser:0"), options));
        CHECK(options.performInstall);
    }
}
