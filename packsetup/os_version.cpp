#include "packsetup/os_version.h"

namespace {

// The shipped program is 32-bit and asks WOW64; a 64-bit build of the same
// sources is on 64-bit Windows by being there, and must answer alike.
bool IsOn64BitWindows()
{
    if (sizeof(void*) == 8)
        return true;
    // IsWow64Process came with Windows XP SP2 and Server 2003 SP1.
    typedef BOOL(WINAPI * IsWow64ProcessFn)(HANDLE, BOOL*);
    HMODULE kernel = GetModuleHandleW(L"Kernel32");
    IsWow64ProcessFn isWow64Process = kernel
        ? reinterpret_cast<IsWow64ProcessFn>(
              reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")))
        : nullptr;
    BOOL wow64 = FALSE;
    if (!isWow64Process || !isWow64Process(GetCurrentProcess(), &wow64))
        return false;
    return wow64 != FALSE;
}

enum class Cached { Unknown, False, True };

// Decides once with the running system's facts; a failed read is not kept.
bool Remembered(Cached& cache, bool (*decide)(const OsFacts&))
{
    if (cache != Cached::Unknown)
        return cache == Cached::True;
    OsFacts facts;
    if (!ReadOsFacts(facts))
        return false;
    bool answer = decide(facts);
    cache = answer ? Cached::True : Cached::False;
    return answer;
}

bool IsNt(const OsFacts& facts)
{
    return facts.platformId == VER_PLATFORM_WIN32_NT;
}

} // namespace

bool ReadOsFacts(OsFacts& facts)
{
    OSVERSIONINFOEXW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
        return false;
    facts.platformId = version.dwPlatformId;
    facts.majorVersion = version.dwMajorVersion;
    facts.minorVersion = version.dwMinorVersion;
    facts.servicePackMajor = version.wServicePackMajor;
    facts.productType = version.wProductType;
    facts.on64BitWindows = IsOn64BitWindows();
    return true;
}

bool IsVistaOrLaterWorkstation(const OsFacts& facts)
{
    return IsNt(facts) && facts.majorVersion >= 6 && facts.productType == VER_NT_WORKSTATION;
}

bool IsWindowsXP(const OsFacts& facts)
{
    if (!IsNt(facts) || facts.majorVersion != 5)
        return false;
    if (facts.minorVersion == 1)
        return true;
    return facts.minorVersion == 2 && facts.on64BitWindows && facts.productType == VER_NT_WORKSTATION;
}

bool IsOtherSupportedWindows(const OsFacts& facts)
{
    if (!IsNt(facts))
        return false;
    if (facts.majorVersion > 5)
        return true;
    if (facts.majorVersion != 5)
        return false;
    if (facts.minorVersion > 2)
        return true;
    return facts.minorVersion == 2 && facts.on64BitWindows && facts.productType != VER_NT_WORKSTATION;
}

bool HasXPServicePack2(const OsFacts& facts)
{
    if (facts.minorVersion == 2 && !facts.on64BitWindows)
        return false;
    return facts.servicePackMajor >= 2;
}

bool IsVistaOrLaterWorkstation()
{
    static Cached cache = Cached::Unknown;
    return Remembered(cache, IsVistaOrLaterWorkstation);
}

bool IsWindowsXP()
{
    static Cached cache = Cached::Unknown;
    return Remembered(cache, IsWindowsXP);
}

bool IsOtherSupportedWindows()
{
    static Cached cache = Cached::Unknown;
    return Remembered(cache, IsOtherSupportedWindows);
}

bool HasXPServicePack2()
{
    OsFacts facts;
    return ReadOsFacts(facts) && HasXPServicePack2(facts);
}
