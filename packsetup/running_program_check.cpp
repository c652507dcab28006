#include "packsetup/running_program_check.h"

#include "common/win/message_box.h"
#include "common/win/processes.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/res/resource.h"

namespace {

const int kExitPolls = 50;
const DWORD kPollInterval = 100;
const DWORD kGraceBeforeTermination = 2000;

// Polls until the process is gone or the polls run out; true when it is gone.
bool WaitForProcessExit(const RunningProgramProbe& probe)
{
    for (int poll = 0; poll < kExitPolls; ++poll) {
        if (!probe.findProcess(false))
            break;
        probe.sleep(kPollInterval);
    }
    return !probe.findProcess(false);
}

} // namespace

RunningProgramProbe SystemRunningProgramProbe()
{
    RunningProgramProbe probe;
    probe.mainWindowExists = [] { return FindWindowW(L"Tavrel_MainWindow", nullptr) != nullptr; };
    probe.findProcess = [](bool terminate) { return FindMainProgramProcess(terminate); };
    probe.sleep = [](DWORD milliseconds) { Sleep(milliseconds); };
    return probe;
}

bool RunRunningProgramCheck(const RunningProgramProbe& probe)
{
    for (;;) {
        if (!probe.mainWindowExists()) {
            // A process without its window is left over or hung: it is ended
            // without asking.
            if (probe.findProcess(false)) {
                probe.sleep(kGraceBeforeTermination);
                probe.findProcess(true);
            }
            return true;
        }
        if (WaitForProcessExit(probe))
            return true;
        int answer = ShowMessageBox(nullptr, LoadText(IDS_PROGRAM_RUNNING),
                                    Installer().definition.caption,
                                    MB_RETRYCANCEL | MB_ICONEXCLAMATION);
        if (answer != IDRETRY)
            return false;
    }
}

bool RunRunningProgramCheck()
{
    return RunRunningProgramCheck(SystemRunningProgramProbe());
}
