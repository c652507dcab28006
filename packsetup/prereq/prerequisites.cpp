#include "packsetup/prereq/prerequisites.h"

#include <functional>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/prereq/directx_setup.h"
#include "packsetup/prereq/dotnet_setup.h"
#include "packsetup/prereq/restart_windows.h"
#include "packsetup/res/resource.h"

namespace {

typedef std::function<bool(HWND owner, std::wstring& reason, bool& restartNeeded)> SetupStep;

// One prerequisite with the handling of its result; true when the core goes
// on. The reason sits between the failure's heading and its question.
bool RunStep(const SetupStep& step, UINT failedId, UINT questionId, HWND owner)
{
    std::wstring reason;
    bool restartNeeded = false;
    if (step(owner, reason, restartNeeded))
        return !restartNeeded || !OfferWindowsRestart(owner);

    std::wstring text = LoadText(failedId) + reason + LoadText(questionId);
    if (ShowMessageBox(owner, text, Installer().definition.caption, MB_ICONWARNING | MB_YESNO) == IDYES)
        return true;
    if (owner)
        EnableWindow(owner, TRUE);
    return false;
}

bool RunSteps(const CoreOptions& options, const SetupStep& dotnet, const SetupStep& directX)
{
    if (options.installDotnet &&
        !RunStep(dotnet, IDS_DOTNET_FAILED, IDS_DOTNET_CONTINUE_QUESTION, options.ownerWindow))
        return false;
    if (options.installDirectX && !RunStep(directX, IDS_DX_FAILED, IDS_DX_CONTINUE_QUESTION, options.ownerWindow))
        return false;
    return true;
}

} // namespace

bool RunPrerequisiteSteps(const CoreOptions& options)
{
    return RunSteps(options, RunDotnetSetup, RunDirectXSetup);
}

bool RunPrerequisiteStepsFrom(const std::wstring& packageFolder, const CoreOptions& options)
{
    return RunSteps(
        options,
        [&packageFolder](HWND owner, std::wstring& reason, bool& restartNeeded) {
            return RunDotnetSetupFrom(packageFolder + L"\\dotnet", kDotnetSetupWait, owner, reason, restartNeeded);
        },
        [&packageFolder](HWND owner, std::wstring& reason, bool& restartNeeded) {
            return RunDirectXSetupFrom(packageFolder + L"\\directx", owner, reason, restartNeeded);
        });
}
