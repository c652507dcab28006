#include "unsetup/core_event.h"

#include <sddl.h>

#include "common/win/security_descriptor.h"

namespace {

// Full access for Administrators and SYSTEM; no one else may open it.
const wchar_t kCoreEventSecurity[] = L"D:P(A;;GA;;;BA)(A;;GA;;;SY)";

} // namespace

ScopedHandle CreateCoreEvent()
{
    ScopedSecurityDescriptor descriptor;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kCoreEventSecurity, SDDL_REVISION_1,
                                                              descriptor.Receive(), nullptr))
        return ScopedHandle();
    SECURITY_ATTRIBUTES security = {sizeof(security), descriptor.get(), FALSE};
    ScopedHandle event(CreateEventW(&security, FALSE, FALSE, kCoreEventName));
    if (!event || GetLastError() == ERROR_ALREADY_EXISTS)
        return ScopedHandle();
    return event;
}
