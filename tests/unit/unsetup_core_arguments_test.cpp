// The uninstaller's role, the core's "/u%d,%d" command line and the event
// by which the core releases its launcher.
#include <doctest/doctest.h>

#include <aclapi.h>
#include <sddl.h>

#include "unsetup/core_arguments.h"
#include "unsetup/core_event.h"

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
        CHECK(parsed.launcherHandle == 0u);
    }
    SUBCASE("a third number is the launcher's handle")
    {
        REQUIRE(ReadCoreArguments(L"/u1,4242,668", parsed));
        CHECK(parsed.launcherProcessId == 4242u);
        CHECK(parsed.launcherHandle == 668u);
        REQUIRE(ReadCoreArguments(L"/u1,4242,-4", parsed));
        CHECK(parsed.launcherHandle == 0u);
        REQUIRE(ReadCoreArguments(L"/u1,4242,x", parsed));
        CHECK(parsed.launcherHandle == 0u);
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

TEST_CASE("the core's event is made new, for Administrators and SYSTEM only; a name already taken is refused")
{
    ScopedHandle event = CreateCoreEvent();
    REQUIRE(event);
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    REQUIRE(GetSecurityInfo(event.get(), SE_KERNEL_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                            nullptr, &descriptor)
            == ERROR_SUCCESS);
    std::vector<std::wstring> trustees;
    for (DWORD index = 0; dacl && index < dacl->AceCount; ++index) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        wchar_t* sid = nullptr;
        if (GetAce(dacl, index, reinterpret_cast<void**>(&ace)) && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE
            && ConvertSidToStringSidW(&ace->SidStart, &sid)) {
            trustees.push_back(sid);
            LocalFree(sid);
        } else {
            trustees.push_back(L"not an allowing entry");
        }
    }
    LocalFree(descriptor);
    CHECK(trustees == std::vector<std::wstring>{L"S-1-5-32-544", L"S-1-5-18"});

    // Held by someone else (here: by the first event), the name is not used.
    CHECK_FALSE(CreateCoreEvent());
    event.Reset();
    HANDLE mutex = CreateMutexW(nullptr, FALSE, kCoreEventName);
    REQUIRE(mutex != nullptr);
    CHECK_FALSE(CreateCoreEvent());
    CloseHandle(mutex);
    CHECK(CreateCoreEvent());
}
