#include "packsetup/os_check.h"

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

OsVerdict JudgeOperatingSystem(bool windowsXp, bool xpServicePack2, bool vistaOrLaterWorkstation,
                               bool otherSupported)
{
    if (windowsXp)
        return xpServicePack2 ? OsVerdict::Supported : OsVerdict::XpWithoutServicePack2;
    if (!vistaOrLaterWorkstation && !otherSupported)
        return OsVerdict::Unsupported;
    return OsVerdict::Supported;
}

OsVerdict JudgeOperatingSystem(const OsFacts& facts)
{
    return JudgeOperatingSystem(IsWindowsXP(facts), HasXPServicePack2(facts),
                                IsVistaOrLaterWorkstation(facts), IsOtherSupportedWindows(facts));
}

bool ReportOperatingSystemVerdict(OsVerdict verdict)
{
    if (verdict == OsVerdict::Supported)
        return true;
    UINT text = verdict == OsVerdict::XpWithoutServicePack2 ? IDS_XP_SERVICE_PACK_REQUIRED
                                                            : IDS_OS_NOT_SUPPORTED;
    ShowMessageBox(nullptr, LoadText(text), Installer().definition.caption, MB_ICONERROR);
    return false;
}

bool RunOperatingSystemCheck()
{
    return ReportOperatingSystemVerdict(JudgeOperatingSystem(
        IsWindowsXP(), HasXPServicePack2(), IsVistaOrLaterWorkstation(), IsOtherSupportedWindows()));
}
