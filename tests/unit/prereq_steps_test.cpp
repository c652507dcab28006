// The core's prerequisite steps in order: what each result leads to, the
// questions, and the restart offered after either setup.
#include <doctest/doctest.h>

#include <string>

#include "common/win/text.h"
#include "packsetup/installer_state.h"
#include "packsetup/prereq/prerequisites.h"
#include "packsetup/prereq/restart_windows.h"
#include "packsetup/res/resource.h"
#include "prereq_test_support.h"

using prereq_test::LinesStartingWith;
using prereq_test::Package;

namespace {

int restartRequests = 0;

BOOL WINAPI RefuseRestart(UINT, DWORD)
{
    ++restartRequests;
    SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return FALSE;
}

BOOL WINAPI AcceptRestart(UINT, DWORD)
{
    ++restartRequests;
    return TRUE;
}

struct StepsFixture {
    Package package{L"prereq-steps"};
    MessageBoxRecorder boxes;
    ExitWindowsFunction previous = SetExitWindowsForTesting(RefuseRestart);
    CoreOptions options;

    StepsFixture()
    {
        restartRequests = 0;
        Installer().definition.caption = L"Steps Pack";
        options.installDotnet = true;
        options.installDirectX = true;
    }
    ~StepsFixture() { SetExitWindowsForTesting(previous); }

    bool Run() { return RunPrerequisiteStepsFrom(package.Path(), options); }
    bool DirectXRan() const { return !LinesStartingWith(package.DirectXLog(), L"setup ").empty(); }
};

} // namespace

TEST_CASE_FIXTURE(StepsFixture, "both setups succeed: no question, the core goes on")
{
    package.AddDotnetSetup("exit 0\n");
    package.AddDirectXSetup("sleep 0\nresult 0\n");
    CHECK(Run());
    CHECK(boxes.Boxes().empty());
    CHECK(DirectXRan());
}

TEST_CASE_FIXTURE(StepsFixture, "only the setups that the options ask for run")
{
    package.AddDotnetSetup("exit 0\n");
    package.AddDirectXSetup("sleep 0\nresult 0\n");
    options.installDotnet = false;
    options.installDirectX = false;
    CHECK(Run());
    CHECK(package.DotnetLog().empty());
    CHECK(package.DirectXLog().empty());
}

TEST_CASE_FIXTURE(StepsFixture, "a restart declined after .NET lets DirectX run and ask again")
{
    package.AddDotnetSetup("exit 3010\n");
    package.AddDirectXSetup("sleep 0\nresult 1\n");
    boxes.Answer(IDNO);
    boxes.Answer(IDNO);
    CHECK(Run());
    CHECK(DirectXRan());
    REQUIRE(boxes.Boxes().size() == 2);
    CHECK(boxes.Boxes()[0].text == LoadText(IDS_RESTART_QUESTION));
    CHECK(boxes.Boxes()[1].text == LoadText(IDS_RESTART_QUESTION));
    CHECK(restartRequests == 0);
}

TEST_CASE_FIXTURE(StepsFixture, "a refused restart is reported and the steps go on")
{
    package.AddDotnetSetup("exit 3010\n");
    package.AddDirectXSetup("sleep 0\nresult 0\n");
    boxes.Answer(IDYES);
    CHECK(Run());
    CHECK(restartRequests == 1);
    REQUIRE(boxes.Boxes().size() == 2);
    CHECK(boxes.Boxes()[1].text == LoadText(IDS_RESTART_FAILED));
    CHECK(DirectXRan());
}

TEST_CASE_FIXTURE(StepsFixture, "a restart under way ends the core before DirectX")
{
    SetExitWindowsForTesting(AcceptRestart);
    package.AddDotnetSetup("exit 3010\n");
    package.AddDirectXSetup("sleep 0\nresult 0\n");
    boxes.Answer(IDYES);
    CHECK_FALSE(Run());
    CHECK(restartRequests == 1);
    CHECK_FALSE(DirectXRan());
    CHECK(boxes.Boxes().size() == 1);
}

TEST_CASE_FIXTURE(StepsFixture, "a failed setup asks whether to go on, with its reason between heading and question")
{
    HWND owner = CreateWindowExW(0, L"STATIC", L"launcher", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    REQUIRE(owner);
    options.ownerWindow = owner;

    SUBCASE(".NET fails, Yes: DirectX runs")
    {
        package.AddDotnetSetup("exit 5\n");
        package.AddDirectXSetup("sleep 0\nresult 0\n");
        boxes.Answer(IDYES);
        CHECK(Run());
        REQUIRE(boxes.Boxes().size() == 1);
        CHECK(boxes.Boxes()[0].owner == owner);
        CHECK(boxes.Boxes()[0].title == L"Steps Pack");
        CHECK(boxes.Boxes()[0].flags == static_cast<UINT>(MB_ICONWARNING | MB_YESNO));
        CHECK(boxes.Boxes()[0].text ==
              LoadText(IDS_DOTNET_FAILED) + LoadText(IDS_DOTNET_ERROR) + LoadText(IDS_DOTNET_CONTINUE_QUESTION));
        CHECK(DirectXRan());
    }
    SUBCASE(".NET cancelled, No: the owner is enabled again and DirectX does not run")
    {
        EnableWindow(owner, FALSE);
        package.AddDotnetSetup("exit 1602\n");
        package.AddDirectXSetup("sleep 0\nresult 0\n");
        boxes.Answer(IDNO);
        CHECK_FALSE(Run());
        REQUIRE(boxes.Boxes().size() == 1);
        CHECK(boxes.Boxes()[0].text == LoadText(IDS_DOTNET_FAILED) + LoadText(IDS_DOTNET_CONTINUE_QUESTION));
        CHECK(IsWindowEnabled(owner));
        CHECK_FALSE(DirectXRan());
    }
    SUBCASE("DirectX fails, No: the core ends")
    {
        EnableWindow(owner, FALSE);
        options.installDotnet = false;
        package.AddDirectXSetup("eula 7\n");
        boxes.Answer(IDNO);
        CHECK_FALSE(Run());
        REQUIRE(boxes.Boxes().size() == 1);
        CHECK(boxes.Boxes()[0].text == LoadText(IDS_DX_FAILED) + LoadText(IDS_DX_LICENSE_NOT_ACCEPTED) +
                                            LoadText(IDS_DX_CONTINUE_QUESTION));
        CHECK(IsWindowEnabled(owner));
    }
    SUBCASE("DirectX missing, Yes: the core goes on")
    {
        options.installDotnet = false;
        boxes.Answer(IDYES);
        CHECK(Run());
        REQUIRE(boxes.Boxes().size() == 1);
        CHECK(boxes.Boxes()[0].text ==
              LoadText(IDS_DX_FAILED) + LoadText(IDS_DX_API_UNAVAILABLE) + LoadText(IDS_DX_CONTINUE_QUESTION));
    }
    DestroyWindow(owner);
}
