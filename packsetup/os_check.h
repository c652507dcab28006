#pragma once

#include "packsetup/os_version.h"

enum class OsVerdict {
    Supported,
    XpWithoutServicePack2, // string 148
    Unsupported,           // string 147
};

// Windows XP needs Service Pack 2; every other system must be a workstation
// of NT 6 or later or one of the other supported systems.
OsVerdict JudgeOperatingSystem(bool windowsXp, bool xpServicePack2, bool vistaOrLaterWorkstation,
                               bool otherSupported);
OsVerdict JudgeOperatingSystem(const OsFacts& facts);

// Tells the user why a refused system is refused; true for a supported one.
bool ReportOperatingSystemVerdict(OsVerdict verdict);

// The operating-system check of the interface instance: false after telling
// the user why this Windows is refused.
bool RunOperatingSystemCheck();
