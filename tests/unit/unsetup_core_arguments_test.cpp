// The uninstaller's role and the core's "/u%d,%d" command line.
#include <doctest/doctest.h>

#include "unsetup/core_arguments.h"

TEST_CASE("only arguments that begin with a small /u choose the core")
{
    CHECK(IsCoreArguments(L"/u1,42"));
    CHECK(IsCoreArguments(L"/u"));
    CHECK(IsCoreArguments(L"/ux"));
    CHECK_FALSE(IsCoreArguments(L"/U1,5"));
    CHECK_FALSE(IsCoreArguments(L""));
    CHECK_FALSE(IsCoreArguments(nullptr));
    CHECK_FALSE(IsCoreArguments(L" /u1,5"));
    CHECK_FALSE(IsCoreArguments(L"u1,5"));
}

TEST_CASE("the core's flag and launcher id are read like %d,%d")
{
    CoreArguments parsed;
    SUBCASE("as the launcher writes them")
    {
        REQUIRE(ReadCoreArguments(L"/u1,4242", parsed));
        CHECK(parsed.deleteUserData);
        CHECK(parsed.launcherProcessId == 4242u);
        REQUIRE(ReadCoreArguments(L"/u0,17", parsed));
        CHECK_FALSE(parsed.deleteUserData);
        CHECK(parsed.launcherProcessId == 17u);
    }
    SUBCASE("any flag but 0 removes the user's data")
    {
        REQUIRE(ReadCoreArguments(L"/u2,5", parsed));
        CHECK(parsed.deleteUserData);
        REQUIRE(ReadCoreArguments(L"/u-1,5", parsed));
        CHECK(parsed.deleteUserData);
    }
    SUBCASE("blanks before a number and text after the second are accepted")
    {
        REQUIRE(ReadCoreArguments(L"/u 0, +36 trailing", parsed));
        CHECK_FALSE(parsed.deleteUserData);
        CHECK(parsed.launcherProcessId == 36u);
    }
}

TEST_CASE("a command line without two integers is refused")
{
    CoreArguments parsed;
    CHECK_FALSE(ReadCoreArguments(L"/u", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/ux", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u1", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u1,", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u1 ,5", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u1;5", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u,5", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/U1,5", parsed));
    // Out of an int's range: not read rather than wrapped to another id.
    CHECK_FALSE(ReadCoreArguments(L"/u1,2147483648", parsed));
    CHECK_FALSE(ReadCoreArguments(L"/u99999999999,5", parsed));
    CHECK(ReadCoreArguments(L"/u1,2147483647", parsed));
    CHECK(parsed.launcherProcessId == 2147483647u);
}
