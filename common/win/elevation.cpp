#include "common/win/elevation.h"

#include <windows.h>

#include "common/win/scoped_handle.h"

namespace {

// A SID built by AllocateAndInitializeSid.
class ScopedSid {
public:
    ScopedSid() : sid_(nullptr) {}
    ~ScopedSid()
    {
        if (sid_)
            FreeSid(sid_);
    }
    ScopedSid(const ScopedSid&) = delete;
    ScopedSid& operator=(const ScopedSid&) = delete;

    PSID get() const { return sid_; }
    PSID* Receive() { return &sid_; }

private:
    PSID sid_;
};

bool IsAdministratorsMember()
{
    SID_IDENTIFIER_AUTHORITY ntAuthority = {SECURITY_NT_AUTHORITY};
    ScopedSid administrators;
    if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID,
                                  DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  administrators.Receive()))
        return false;
    BOOL member = FALSE;
    if (!CheckTokenMembership(nullptr, administrators.get(), &member))
        return false;
    return member != FALSE;
}

} // namespace

bool IsElevatedAdministrator()
{
    if (!IsAdministratorsMember())
        return false;

    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    // The information class does not exist before Windows Vista.
    TOKEN_ELEVATION_TYPE elevationType = TokenElevationTypeDefault;
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenElevationType, &elevationType,
                             sizeof(elevationType), &size))
        return false;
    return elevationType == TokenElevationTypeFull;
}
