// Whether the uninstall manifest can be changed by anyone but administrators,
// judged on the owner and DACL of the file and of its folder.
#include <doctest/doctest.h>

#include <windows.h>
#include <sddl.h>

#include <string>

#include "unsetup/manifest_trust.h"

namespace {

const wchar_t kUser[] = L"S-1-5-21-1-2-3-1001";
const wchar_t kTrustedInstaller[] = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

bool LeftToAdministrators(const std::wstring& sddl)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    PSID user = nullptr;
    bool built = ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1, &descriptor,
                                                                       nullptr)
        && ConvertStringSidToSidW(kUser, &user);
    bool result = built && IsChangeableOnlyByAdministrators(descriptor, user);
    LocalFree(user);
    LocalFree(descriptor);
    REQUIRE(built);
    return result;
}

// Owned by Administrators, with a null DACL.
bool WithNullDacl()
{
    SECURITY_DESCRIPTOR descriptor;
    BYTE owner[SECURITY_MAX_SID_SIZE];
    DWORD ownerSize = sizeof(owner);
    PSID user = nullptr;
    bool built = InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION)
        && CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, owner, &ownerSize)
        && SetSecurityDescriptorOwner(&descriptor, owner, FALSE)
        && SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE)
        && ConvertStringSidToSidW(kUser, &user);
    bool result = built && IsChangeableOnlyByAdministrators(&descriptor, user);
    LocalFree(user);
    REQUIRE(built);
    return result;
}

} // namespace

TEST_CASE("a manifest is left to administrators only when they own it and nobody else may change it")
{
    const std::wstring installer = kTrustedInstaller;
    const std::wstring user = kUser;
    // As below Program Files: Users may read and run, CREATOR OWNER's full
    // control is only handed down.
    const std::wstring programFiles = L"D:P(A;;FA;;;" + installer + L")(A;CIIO;GA;;;" + installer
        + L")(A;;0x1301bf;;;SY)(A;OICIIO;GA;;;SY)(A;;0x1301bf;;;BA)(A;OICIIO;GA;;;BA)(A;;0x1200a9;;;BU)"
          L"(A;OICIIO;GXGR;;;BU)(A;OICIIO;GA;;;CO)";
    CHECK(LeftToAdministrators(L"O:" + installer + programFiles));
    CHECK(LeftToAdministrators(L"O:BA" + programFiles));
    CHECK(LeftToAdministrators(L"O:SY" + programFiles + L"(A;;0x1200a9;;;WD)(D;;FA;;;" + user + L")"));

    CHECK_FALSE(LeftToAdministrators(L"O:" + user + programFiles));
    CHECK_FALSE(LeftToAdministrators(L"O:BU" + programFiles));
    // No DACL, or a null one, lets everyone do everything.
    CHECK_FALSE(LeftToAdministrators(L"O:BA"));
    CHECK_FALSE(WithNullDacl());
    // Write, delete (and so rename), add or take out entries, re-permit, take
    // ownership: for anyone else on the object, or handed down to the users.
    const std::wstring grants[] = {
        L"(A;;0x2;;;BU)", L"(A;;0x4;;;PU)", L"(A;;0x10000;;;AU)", L"(A;;0x40;;;IU)", L"(A;;0x40000;;;WD)",
        L"(A;;0x80000;;;" + user + L")", L"(A;;GW;;;S-1-5-21-1-2-3-1002)", L"(A;OICIIO;0x2;;;BU)",
        L"(A;OICIIO;GA;;;AU)", L"(A;CIIO;0x40000;;;WD)", L"(A;OIIO;GA;;;" + user + L")"};
    for (const std::wstring& grant : grants) {
        INFO(std::string(grant.begin(), grant.end()));
        CHECK_FALSE(LeftToAdministrators(L"O:BA" + programFiles + grant));
    }
}
