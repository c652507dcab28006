// The operating-system predicates and the verdict of the operating-system
// check, driven by version records of every system the installer meets.
#include <doctest/doctest.h>

#include <windows.h>

#include "packsetup/installer_state.h"
#include "packsetup/os_check.h"
#include "packsetup/os_version.h"
#include "packsetup/res/resource.h"
#include "tests/unit/build_tree.h"
#include "tests/unit/message_box_recorder.h"

namespace {

OsFacts Nt(DWORD major, DWORD minor, WORD servicePack, BYTE productType, bool windows64)
{
    OsFacts facts;
    facts.platformId = VER_PLATFORM_WIN32_NT;
    facts.majorVersion = major;
    facts.minorVersion = minor;
    facts.servicePackMajor = servicePack;
    facts.productType = productType;
    facts.on64BitWindows = windows64;
    return facts;
}

struct OsCase {
    const char* name;
    OsFacts facts;
    bool windowsXp;
    bool xpServicePack2;
    bool vistaOrLaterWorkstation;
    bool otherSupported;
    OsVerdict verdict;
};

const BYTE kWorkstation = VER_NT_WORKSTATION;
const BYTE kServer = VER_NT_SERVER;
const BYTE kDomainController = VER_NT_DOMAIN_CONTROLLER;

} // namespace

TEST_CASE("every known system gets its predicates and its verdict")
{
    OsFacts windows98;
    windows98.platformId = VER_PLATFORM_WIN32_WINDOWS;
    windows98.majorVersion = 4;
    windows98.minorVersion = 10;

    const OsCase cases[] = {
        {"Windows 98", windows98, false, false, false, false, OsVerdict::Unsupported},
        {"Windows NT 4.0 SP6", Nt(4, 0, 6, kWorkstation, false), false, true, false, false,
         OsVerdict::Unsupported},
        {"Windows 2000 SP4", Nt(5, 0, 4, kWorkstation, false), false, true, false, false,
         OsVerdict::Unsupported},
        {"Windows XP without service pack", Nt(5, 1, 0, kWorkstation, false), true, false, false, false,
         OsVerdict::XpWithoutServicePack2},
        {"Windows XP SP1", Nt(5, 1, 1, kWorkstation, false), true, false, false, false,
         OsVerdict::XpWithoutServicePack2},
        {"Windows XP SP2", Nt(5, 1, 2, kWorkstation, false), true, true, false, false, OsVerdict::Supported},
        {"Windows XP SP3", Nt(5, 1, 3, kWorkstation, false), true, true, false, false, OsVerdict::Supported},
        {"Windows XP x64 SP1 (64-bit Windows)", Nt(5, 2, 1, kWorkstation, true), true, false, false, false,
         OsVerdict::XpWithoutServicePack2},
        {"Windows XP x64 SP2 (64-bit Windows)", Nt(5, 2, 2, kWorkstation, true), true, true, false, false,
         OsVerdict::Supported},
        // 32-bit NT 5.2, or no WOW64 answer (IsWow64Process missing): neither.
        {"NT 5.2 workstation, 32-bit or no WOW64 answer", Nt(5, 2, 2, kWorkstation, false), false, false, false, false,
         OsVerdict::Unsupported},
        {"Windows Server 2003 SP2, 32-bit", Nt(5, 2, 2, kServer, false), false, false, false, false,
         OsVerdict::Unsupported},
        {"Windows Server 2003 domain controller, 32-bit", Nt(5, 2, 2, kDomainController, false), false, false,
         false, false, OsVerdict::Unsupported},
        {"Windows Server 2003, 64-bit", Nt(5, 2, 0, kServer, true), false, false, false, true,
         OsVerdict::Supported},
        {"Windows Server 2003 SP2, 64-bit", Nt(5, 2, 2, kServer, true), false, true, false, true,
         OsVerdict::Supported},
        {"NT 5.3", Nt(5, 3, 0, kWorkstation, false), false, false, false, true, OsVerdict::Supported},
        {"Windows Vista", Nt(6, 0, 0, kWorkstation, false), false, false, true, true, OsVerdict::Supported},
        {"Windows Vista SP2, 64-bit", Nt(6, 0, 2, kWorkstation, true), false, true, true, true,
         OsVerdict::Supported},
        {"Windows 7", Nt(6, 1, 0, kWorkstation, false), false, false, true, true, OsVerdict::Supported},
        {"Windows Server 2008", Nt(6, 0, 1, kServer, false), false, false, false, true, OsVerdict::Supported},
        {"Windows Server 2008 R2, 64-bit", Nt(6, 1, 0, kServer, true), false, false, false, true,
         OsVerdict::Supported},
        {"Windows 10", Nt(10, 0, 0, kWorkstation, true), false, false, true, true, OsVerdict::Supported},
    };

    for (const OsCase& c : cases) {
        INFO(c.name);
        CHECK(IsWindowsXP(c.facts) == c.windowsXp);
        CHECK(HasXPServicePack2(c.facts) == c.xpServicePack2);
        CHECK(IsVistaOrLaterWorkstation(c.facts) == c.vistaOrLaterWorkstation);
        CHECK(IsOtherSupportedWindows(c.facts) == c.otherSupported);
        CHECK(JudgeOperatingSystem(c.facts) == c.verdict);
    }
}

TEST_CASE("a refused system is told which message applies")
{
    PackSetupTexts texts(build_tree::PackSetupPath());
    REQUIRE(texts.Loaded());
    MessageBoxRecorder boxes;
    Installer().definition.caption = L"OS caption";

    CHECK(ReportOperatingSystemVerdict(OsVerdict::Supported));
    CHECK(boxes.Boxes().empty());

    CHECK_FALSE(ReportOperatingSystemVerdict(OsVerdict::XpWithoutServicePack2));
    CHECK_FALSE(ReportOperatingSystemVerdict(OsVerdict::Unsupported));
    REQUIRE(boxes.Boxes().size() == 2);
    CHECK(boxes.Boxes()[0].text == LoadText(IDS_XP_SERVICE_PACK_REQUIRED));
    CHECK(boxes.Boxes()[1].text == LoadText(IDS_OS_NOT_SUPPORTED));
    for (const RecordedBox& box : boxes.Boxes()) {
        CHECK(!box.text.empty());
        CHECK(box.owner == nullptr);
        CHECK(box.title == L"OS caption");
        CHECK(box.flags == static_cast<UINT>(MB_ICONERROR));
    }
    Installer() = InstallerState();
}

TEST_CASE("the wrappers give the pure answers for the running system, every time")
{
    OsFacts facts;
    REQUIRE(ReadOsFacts(facts));
    CHECK(facts.platformId == static_cast<DWORD>(VER_PLATFORM_WIN32_NT));
    // The tests run in a 64-bit prefix, where a 64-bit process never sees
    // WOW64 and must still tell 64-bit Windows.
    CHECK(facts.on64BitWindows);

    for (int call = 0; call < 2; ++call) {
        CHECK(IsVistaOrLaterWorkstation() == IsVistaOrLaterWorkstation(facts));
        CHECK(IsWindowsXP() == IsWindowsXP(facts));
        CHECK(IsOtherSupportedWindows() == IsOtherSupportedWindows(facts));
        CHECK(HasXPServicePack2() == HasXPServicePack2(facts));
    }
}
