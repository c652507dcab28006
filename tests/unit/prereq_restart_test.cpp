// The restart question and the restart request, with the system call
// replaced: the real one would end the test session.
#include <doctest/doctest.h>

#include <windows.h>

#include <vector>

#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "message_box_recorder.h"
#include "build_tree.h"
#include "packsetup/installer_state.h"
#include "packsetup/prereq/restart_windows.h"
#include "packsetup/res/resource.h"

namespace {

struct RestartCall {
    UINT flags;
    DWORD reason;
    bool privilegeEnabled;
};

std::vector<RestartCall> calls;
BOOL answer = FALSE;

bool ShutdownPrivilegeEnabled()
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    PRIVILEGE_SET set = {};
    set.PrivilegeCount = 1;
    if (!LookupPrivilegeValueW(nullptr, SE_SHUTDOWN_NAME, &set.Privilege[0].Luid))
        return false;
    BOOL enabled = FALSE;
    return PrivilegeCheck(token.get(), &set, &enabled) && enabled;
}

BOOL WINAPI FakeExitWindows(UINT flags, DWORD reason)
{
    calls.push_back(RestartCall{flags, reason, ShutdownPrivilegeEnabled()});
    if (!answer)
        SetLastError(ERROR_PRIVILEGE_NOT_HELD);
    return answer;
}

struct RestartFixture {
    MessageBoxRecorder boxes;
    PackSetupTexts texts{build_tree::PackSetupPath()};
    ExitWindowsFunction previous;
    HWND owner = reinterpret_cast<HWND>(0x1234);

    RestartFixture() : previous(SetExitWindowsForTesting(FakeExitWindows))
    {
        calls.clear();
        Installer().definition.caption = L"Restart Pack";
    }
    ~RestartFixture() { SetExitWindowsForTesting(previous); }
};

} // namespace

TEST_CASE_FIXTURE(RestartFixture, "the question has No as its default and No restarts nothing")
{
    REQUIRE(texts.Loaded());
    boxes.Answer(IDNO);
    CHECK_FALSE(OfferWindowsRestart(owner));
    CHECK(calls.empty());
    REQUIRE(boxes.Boxes().size() == 1);
    CHECK(boxes.Boxes()[0].owner == owner);
    CHECK(boxes.Boxes()[0].title == L"Restart Pack");
    CHECK(boxes.Boxes()[0].text == LoadText(IDS_RESTART_QUESTION));
    CHECK(boxes.Boxes()[0].flags == static_cast<UINT>(MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2));
}

TEST_CASE_FIXTURE(RestartFixture, "Yes requests a reboot with the shutdown privilege on, and off again after")
{
    boxes.Answer(IDYES);
    answer = TRUE;
    CHECK(OfferWindowsRestart(owner));
    REQUIRE(calls.size() == 1);
    CHECK(calls[0].flags == static_cast<UINT>(EWX_REBOOT));
    CHECK(calls[0].reason == 0u);
    CHECK(calls[0].privilegeEnabled);
    CHECK_FALSE(ShutdownPrivilegeEnabled());
    CHECK(boxes.Boxes().size() == 1);
}

TEST_CASE_FIXTURE(RestartFixture, "a refused restart is reported once and the installation goes on")
{
    boxes.Answer(IDYES);
    answer = FALSE;
    CHECK_FALSE(OfferWindowsRestart(owner));
    CHECK(calls.size() == 1);
    CHECK_FALSE(ShutdownPrivilegeEnabled());
    REQUIRE(boxes.Boxes().size() == 2);
    CHECK(boxes.Boxes()[1].owner == owner);
    CHECK(boxes.Boxes()[1].text == LoadText(IDS_RESTART_FAILED));
    CHECK(boxes.Boxes()[1].title == L"Restart Pack");
    CHECK(boxes.Boxes()[1].flags == static_cast<UINT>(MB_ICONERROR));
}
