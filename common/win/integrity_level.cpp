#include "common/win/integrity_level.h"

#include "common/win/heap_block.h"
#include "common/win/scoped_handle.h"

namespace {

// The failure of the step that just failed. A step that failed without
// setting an error code must not read as success.
HRESULT LastErrorResult()
{
    DWORD error = GetLastError();
    return error == ERROR_SUCCESS ? E_FAIL : HRESULT_FROM_WIN32(error);
}

} // namespace

HRESULT GetProcessIntegrityLevel(DWORD processId, DWORD* level)
{
    if (!level)
        return E_INVALIDARG;

    // Reading the token needs no more: asking for full access would fail on
    // Windows XP and for processes of another integrity level.
    ScopedHandle process(OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process)
        return LastErrorResult();
    ScopedHandle token;
    if (!OpenProcessToken(process.get(), TOKEN_QUERY, token.Receive()))
        return LastErrorResult();

    DWORD size = 0;
    if (GetTokenInformation(token.get(), TokenIntegrityLevel, nullptr, 0, &size))
        return E_UNEXPECTED;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || size == 0)
        return LastErrorResult();

    ScopedHeapBlock buffer(size);
    if (!buffer)
        return E_OUTOFMEMORY;
    if (!GetTokenInformation(token.get(), TokenIntegrityLevel, buffer.get(), size, &size))
        return LastErrorResult();

    PSID label = static_cast<TOKEN_MANDATORY_LABEL*>(buffer.get())->Label.Sid;
    if (!label || !IsValidSid(label) || *GetSidSubAuthorityCount(label) == 0)
        return HRESULT_FROM_WIN32(ERROR_INVALID_SID);
    *level = *GetSidSubAuthority(label, *GetSidSubAuthorityCount(label) - 1);
    return S_OK;
}
