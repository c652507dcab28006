#pragma once

#include <windows.h>

// The mandatory integrity level of a process, the last sub-authority of its
// token's label (0x2000 medium, 0x3000 high). Returns S_OK and writes the
// level, or an error HRESULT and leaves the level unchanged; E_INVALIDARG for
// a null level pointer. Fails before Windows Vista, which has no labels.
HRESULT GetProcessIntegrityLevel(DWORD processId, DWORD* level);
