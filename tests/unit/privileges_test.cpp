// The shutdown privilege, the elevation probe and the integrity level, in the
// test process and with tokens made for the test.
#include <doctest/doctest.h>

#include <windows.h>

#include "common/win/elevation.h"
#include "common/win/integrity_level.h"
#include "common/win/scoped_handle.h"
#include "common/win/shutdown_privilege.h"

namespace {

// Whether the token has the shutdown privilege switched on.
bool ShutdownPrivilegeEnabled(HANDLE token)
{
    LUID shutdown;
    REQUIRE(LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &shutdown));
    PRIVILEGE_SET set = {};
    set.PrivilegeCount = 1;
    set.Privilege[0].Luid = shutdown;
    BOOL enabled = FALSE;
    REQUIRE(PrivilegeCheck(token, &set, &enabled));
    return enabled != FALSE;
}

ScopedHandle OwnToken()
{
    ScopedHandle token;
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY | TOKEN_DUPLICATE,
                             token.Receive()));
    return token;
}

} // namespace

TEST_CASE("the shutdown privilege is switched on and off in a token that holds it")
{
    ScopedHandle process;
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.Receive()));
    // An impersonation copy, so that the test does not change its own process.
    ScopedHandle token;
    REQUIRE(DuplicateTokenEx(process.get(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, nullptr,
                             SecurityImpersonation, TokenImpersonation, token.Receive()));

    CHECK(SetShutdownPrivilege(token.get(), true));
    CHECK(ShutdownPrivilegeEnabled(token.get()));
    CHECK(SetShutdownPrivilege(token.get(), false));
    CHECK_FALSE(ShutdownPrivilegeEnabled(token.get()));
}

TEST_CASE("a token without the shutdown privilege gives false")
{
    ScopedHandle process;
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY,
                             process.Receive()));
    LUID_AND_ATTRIBUTES removed = {};
    REQUIRE(LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &removed.Luid));
    ScopedHandle restricted;
    REQUIRE(CreateRestrictedToken(process.get(), 0, 0, nullptr, 1, &removed, 0, nullptr, restricted.Receive()));
    ScopedHandle adjustable;
    REQUIRE(DuplicateTokenEx(restricted.get(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, nullptr,
                             SecurityImpersonation, TokenImpersonation, adjustable.Receive()));

    CHECK_FALSE(SetShutdownPrivilege(adjustable.get(), true));
    CHECK(GetLastError() == static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED));
}

TEST_CASE("a token opened without the right to adjust gives false")
{
    ScopedHandle token;
    REQUIRE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()));
    CHECK_FALSE(SetShutdownPrivilege(token.get(), true));
}

TEST_CASE("the own process switches its shutdown privilege and back")
{
    ScopedHandle token = OwnToken();
    bool before = ShutdownPrivilegeEnabled(token.get());
    CHECK(EnableShutdownPrivilege(true));
    CHECK(ShutdownPrivilegeEnabled(token.get()));
    CHECK(EnableShutdownPrivilege(false));
    CHECK_FALSE(ShutdownPrivilegeEnabled(token.get()));
    EnableShutdownPrivilege(before);
}

TEST_CASE("elevation needs both membership of Administrators and a full token")
{
    ScopedHandle token = OwnToken();
    TOKEN_ELEVATION_TYPE type = TokenElevationTypeDefault;
    DWORD size = 0;
    bool hasType = GetTokenInformation(token.get(), TokenElevationType, &type, sizeof(type), &size) != FALSE;

    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    PSID administrators = nullptr;
    REQUIRE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0,
                                     0, 0, 0, 0, &administrators));
    BOOL member = FALSE;
    CheckTokenMembership(nullptr, administrators, &member);
    FreeSid(administrators);

    CHECK(IsElevatedAdministrator() == (member && hasType && type == TokenElevationTypeFull));
}

TEST_CASE("the integrity level of the own process and the failures")
{
    SUBCASE("a null output pointer is an invalid argument")
    {
        CHECK(GetProcessIntegrityLevel(GetCurrentProcessId(), nullptr) == E_INVALIDARG);
    }
    SUBCASE("the own process has a mandatory level")
    {
        DWORD level = 0xFFFFFFFF;
        REQUIRE(GetProcessIntegrityLevel(GetCurrentProcessId(), &level) == S_OK);
        CHECK(level >= static_cast<DWORD>(SECURITY_MANDATORY_LOW_RID));
        CHECK(level <= static_cast<DWORD>(SECURITY_MANDATORY_SYSTEM_RID));
        CHECK(level % 0x1000 == 0);
    }
    SUBCASE("a process that does not exist fails and leaves the level alone")
    {
        DWORD level = 0x1234;
        HRESULT result = GetProcessIntegrityLevel(0xFFFFFFF0, &level);
        CHECK(FAILED(result));
        CHECK(HRESULT_FACILITY(result) == FACILITY_WIN32);
        CHECK(level == 0x1234);
    }
}
