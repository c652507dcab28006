#pragma once

#include <windows.h>

// The toolchain has no ATL; the XML layer throws this stand-in for ATL's
// exception type, with the same member and conversion, so callers catch it
// the same way.
namespace ATL {

class CAtlException {
public:
    explicit CAtlException(HRESULT hr = E_FAIL) : m_hr(hr) {}
    operator HRESULT() const { return m_hr; }

    HRESULT m_hr;
};

[[noreturn]] inline void AtlThrow(HRESULT hr)
{
    throw CAtlException(hr);
}

} // namespace ATL
