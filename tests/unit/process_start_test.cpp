// Starting programs: Tavrel! as the desktop user, and the plain process start
// of the prerequisite setups. The stand-in tavrel.exe writes a marker with
// its command line and working folder.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "common/win/elevation.h"
#include "packsetup/desktop_user_launch.h"
#include "packsetup/start_process.h"
#include "packsetup/start_tavrel.h"
#include "tests/fixtures/tavrel_standin/standin.h"
#include "xml_test_support.h"

namespace {

// A stand-in copied into a scratch folder under the given name.
struct StandInCopy {
    xml_test::ScratchFolder root;
    std::wstring folder;
    std::wstring program;
    bool ready = false;

    StandInCopy(const std::wstring& scratch, const std::wstring& subfolder, const std::wstring& name)
        : root(scratch), folder(root.File(subfolder)), program(folder + L"\\" + name)
    {
        ready = root.created() && CreateDirectoryW(folder.c_str(), nullptr)
            && CopyFileW(standin::VariantPath(standin::kVersion1_3_0).c_str(), program.c_str(), FALSE);
    }

    std::wstring Marker() const { return standin::MarkerPathFor(program); }

    // Waits for the marker; the stand-in runs until its /ExitAfter time.
    bool WaitForMarker() const
    {
        for (int waited = 0; waited < 20000; waited += 50) {
            if (GetFileAttributesW(Marker().c_str()) != INVALID_FILE_ATTRIBUTES)
                return true;
            Sleep(50);
        }
        return false;
    }

    std::string Value(const char* name) const { return standin::MarkerValue(Marker(), name); }
};

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// Ends the stand-in with its window, which a start without arguments shows.
void CloseStandIn()
{
    for (int waited = 0; waited < 5000; waited += 50) {
        HWND window = FindWindowW(L"Tavrel_MainWindow", nullptr);
        if (window) {
            PostMessageW(window, WM_CLOSE, 0, 0);
            return;
        }
        Sleep(50);
    }
}

} // namespace

TEST_CASE("StartProcess quotes a path with blanks, runs in the program's folder and reads the exit code")
{
    StandInCopy copy(L"start-process", L"with blank", L"setup tool.exe");
    REQUIRE(copy.ready);
    DWORD exitCode = 0;
    REQUIRE(StartProcess(copy.program, L"/NoWindow /ExitAfter:0", &exitCode, true, 20000));
    CHECK(exitCode == standin::kOwnExitCode);
    REQUIRE(copy.WaitForMarker());
    CHECK(copy.Value("command_line") == Narrow(L"\"" + copy.program + L"\" /NoWindow /ExitAfter:0"));
    CHECK(copy.Value("working_folder") == Narrow(copy.folder));
}

TEST_CASE("StartProcess leaves a path without blanks unquoted and a running process running")
{
    StandInCopy copy(L"start-process-plain", L"plain", L"tool.exe");
    REQUIRE(copy.ready);
    DWORD exitCode = 0;
    REQUIRE(StartProcess(copy.program, L"/NoWindow /ExitAfter:1500", &exitCode, true, 1));
    CHECK(exitCode == STILL_ACTIVE);
    REQUIRE(copy.WaitForMarker());
    CHECK(copy.Value("command_line") == Narrow(copy.program + L" /NoWindow /ExitAfter:1500"));
    // Let it end by itself before its folder goes.
    Sleep(2500);
}

TEST_CASE("StartProcess reports a program that cannot be started")
{
    xml_test::ScratchFolder root(L"start-process-missing");
    REQUIRE(root.created());
    DWORD exitCode = 12345;
    CHECK_FALSE(StartProcess(root.File(L"missing.exe"), nullptr, &exitCode, true, 100));
    CHECK(exitCode == 12345u);
}

// Runs the test as a process without elevation would.
class NotElevated {
public:
    NotElevated() : previous_(SetElevationProbeForTesting(No)) {}
    ~NotElevated() { SetElevationProbeForTesting(previous_); }
    NotElevated(const NotElevated&) = delete;
    NotElevated& operator=(const NotElevated&) = delete;

private:
    static bool No() { return false; }
    ElevationProbe previous_;
};

TEST_CASE("StartTavrel starts tavrel.exe of the folder, a trailing backslash kept for the working folder")
{
    StandInCopy copy(L"start-tavrel", L"Tavrel Folder", L"tavrel.exe");
    REQUIRE(copy.ready);
    NotElevated notElevated;
    StartTavrel(copy.folder + L"\\");
    REQUIRE(copy.WaitForMarker());
    CHECK(copy.Value("command_line") == Narrow(L"\"" + copy.program + L"\""));
    std::string workingFolder = copy.Value("working_folder");
    CHECK((workingFolder == Narrow(copy.folder) || workingFolder == Narrow(copy.folder + L"\\")));
    CloseStandIn();
    Sleep(500);
}

TEST_CASE("LaunchAsDesktopUser reports a program that cannot be started")
{
    xml_test::ScratchFolder root(L"launch-missing");
    REQUIRE(root.created());
    CHECK_FALSE(LaunchAsDesktopUser(root.File(L"tavrel.exe"), root.path()));
    CHECK_FALSE(LaunchAsDesktopUser(root.File(L"tavrel.exe"), root.File(L"no such folder")));
}

TEST_CASE("an elevated installer starts Tavrel! only with the shell's token, never with its own")
{
    // Elevated as Wine runs every program, and without a desktop shell, so
    // the shell's token cannot be had.
    if (!IsElevatedAdministrator() || GetShellWindow()) {
        MESSAGE("skipped: needs an elevated process without a desktop shell");
        return;
    }
    StandInCopy copy(L"start-tavrel-elevated", L"Tavrel Folder", L"tavrel.exe");
    REQUIRE(copy.ready);
    CHECK_FALSE(LaunchAsDesktopUser(copy.program, copy.folder));
    Sleep(1500);
    bool started = xml_test::FileExists(copy.Marker());
    CHECK_FALSE(started);
    if (started) {
        CloseStandIn();
        Sleep(500);
    }
}
