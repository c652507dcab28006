// The running-program check against a scripted system: how long it waits, when
// it asks, what Retry and Cancel do, and when it ends Tavrel! unasked.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"
#include "packsetup/running_program_check.h"
#include "tests/unit/build_tree.h"
#include "tests/unit/message_box_recorder.h"

namespace {

// Tavrel! as the check sees it: whether its window exists, and for how many
// more searches its process is found.
struct ScriptedSystem {
    bool window = true;
    int processSearchesLeft = 0; // searches that still find the process; -1: forever
    int searches = 0;
    int terminations = 0;
    std::vector<DWORD> sleeps;

    DWORD TotalSleep() const
    {
        DWORD total = 0;
        for (DWORD sleep : sleeps)
            total += sleep;
        return total;
    }
};

RunningProgramProbe ProbeOf(ScriptedSystem& system)
{
    RunningProgramProbe probe;
    probe.mainWindowExists = [&system] { return system.window; };
    probe.findProcess = [&system](bool terminate) {
        ++system.searches;
        bool found = system.processSearchesLeft != 0;
        if (system.processSearchesLeft > 0)
            --system.processSearchesLeft;
        if (found && terminate) {
            ++system.terminations;
            system.processSearchesLeft = 0;
        }
        return found;
    };
    probe.sleep = [&system](DWORD milliseconds) { system.sleeps.push_back(milliseconds); };
    return probe;
}

const wchar_t kCaption[] = L"Running check caption";

struct Setup {
    Setup() : texts(build_tree::PackSetupPath()) { Installer().definition.caption = kCaption; }
    PackSetupTexts texts;
    MessageBoxRecorder boxes;
};

} // namespace

TEST_CASE("nothing running: the check passes at once")
{
    Setup setup;
    ScriptedSystem system;
    system.window = false;
    CHECK(RunRunningProgramCheck(ProbeOf(system)));
    CHECK(system.searches == 1);
    CHECK(system.sleeps.empty());
    CHECK(system.terminations == 0);
    CHECK(setup.boxes.Boxes().empty());
}

TEST_CASE("a process without its window is ended after two seconds, without a question")
{
    Setup setup;
    ScriptedSystem system;
    system.window = false;
    system.processSearchesLeft = -1;
    CHECK(RunRunningProgramCheck(ProbeOf(system)));
    CHECK(system.sleeps == std::vector<DWORD>{2000});
    CHECK(system.terminations == 1);
    CHECK(system.searches == 2);
    CHECK(setup.boxes.Boxes().empty());
}

TEST_CASE("the window is there but the process ends while the check waits")
{
    Setup setup;
    ScriptedSystem system;
    system.processSearchesLeft = 12;
    CHECK(RunRunningProgramCheck(ProbeOf(system)));
    CHECK(system.sleeps.size() == 12);
    CHECK(system.TotalSleep() == 1200);
    CHECK(system.terminations == 0);
    CHECK(setup.boxes.Boxes().empty());
}

TEST_CASE("the window is there and the process stays: five seconds, then the question")
{
    Setup setup;
    ScriptedSystem system;
    system.processSearchesLeft = -1;

    SUBCASE("Cancel gives up")
    {
        setup.boxes.Answer(IDCANCEL);
        CHECK_FALSE(RunRunningProgramCheck(ProbeOf(system)));
        CHECK(system.sleeps.size() == 50);
        CHECK(system.TotalSleep() == 5000);
        CHECK(system.searches == 51);
    }
    SUBCASE("closing the box without an answer gives up too")
    {
        setup.boxes.Answer(0);
        CHECK_FALSE(RunRunningProgramCheck(ProbeOf(system)));
    }
    SUBCASE("Retry waits again, and Cancel then gives up")
    {
        setup.boxes.Answer(IDRETRY);
        setup.boxes.Answer(IDCANCEL);
        CHECK_FALSE(RunRunningProgramCheck(ProbeOf(system)));
        CHECK(system.TotalSleep() == 10000);
        CHECK(setup.boxes.Boxes().size() == 2);
    }
    CHECK(system.terminations == 0);
    REQUIRE_FALSE(setup.boxes.Boxes().empty());
    const RecordedBox& box = setup.boxes.Boxes()[0];
    CHECK(box.owner == nullptr);
    CHECK(box.title == kCaption);
    CHECK(box.flags == static_cast<UINT>(MB_RETRYCANCEL | MB_ICONEXCLAMATION));
    CHECK(!box.text.empty());
    CHECK(box.text == LoadText(IDS_PROGRAM_RUNNING));
}

TEST_CASE("closing Tavrel! and answering Retry passes, looking at the window again")
{
    Setup setup;
    ScriptedSystem system;
    system.processSearchesLeft = -1;
    // The handler changes the system as the user would, before answering.
    static ScriptedSystem* current = nullptr;
    current = &system;
    MessageBoxHandler previous = SetMessageBoxHandler([](HWND, const std::wstring&, const std::wstring&, UINT) {
        current->window = false;
        current->processSearchesLeft = 0;
        return IDRETRY;
    });
    bool passed = RunRunningProgramCheck(ProbeOf(system));
    SetMessageBoxHandler(previous);

    CHECK(passed);
    CHECK(system.TotalSleep() == 5000);
    // 51 searches before the question, one after the window was found gone.
    CHECK(system.searches == 52);
    CHECK(system.terminations == 0);
}
