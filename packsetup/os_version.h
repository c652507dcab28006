#pragma once

#include <windows.h>

// What the operating-system predicates look at: the extended version record
// of GetVersionExW and whether Windows is 64-bit.
struct OsFacts {
    DWORD platformId = 0;
    DWORD majorVersion = 0;
    DWORD minorVersion = 0;
    WORD servicePackMajor = 0;
    BYTE productType = 0;
    // A 64-bit process, or a 32-bit one under WOW64. For a 32-bit process
    // false also where IsWow64Process does not exist.
    bool on64BitWindows = false;
};

// Reads the facts of the running system; false when GetVersionExW fails.
bool ReadOsFacts(OsFacts& facts);

// The decisions, as pure functions of the facts.
// NT 6 or later, workstation edition (Vista, 7 and later; not Server 2008).
bool IsVistaOrLaterWorkstation(const OsFacts& facts);
// Windows XP: NT 5.1, or NT 5.2 workstation on 64-bit Windows (XP Professional x64).
bool IsWindowsXP(const OsFacts& facts);
// NT above 5.2 of any edition, or NT 5.2 server on 64-bit Windows (64-bit Server 2003).
bool IsOtherSupportedWindows(const OsFacts& facts);
// Service Pack 2 or later; NT 5.2 counts only on 64-bit Windows.
bool HasXPServicePack2(const OsFacts& facts);

// The same for the running system. The first three decide once per process;
// a failed GetVersionExW gives false and is not remembered.
bool IsVistaOrLaterWorkstation();
bool IsWindowsXP();
bool IsOtherSupportedWindows();
bool HasXPServicePack2();
