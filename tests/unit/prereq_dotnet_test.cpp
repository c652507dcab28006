// The .NET Framework 3 setup run in-process against the stand-in setup:
// its exit codes, its file names and the progress it reports.
#include <doctest/doctest.h>

#include <string>

#include "common/win/text.h"
#include "packsetup/prereq/dotnet_dialog.h"
#include "packsetup/prereq/dotnet_setup.h"
#include "packsetup/res/resource.h"
#include "prereq_test_support.h"

using prereq_test::Contains;
using prereq_test::LinesStartingWith;
using prereq_test::Package;

namespace {

struct Outcome {
    bool result;
    std::wstring reason;
    bool restart;
};

Outcome Run(const Package& package, DWORD waitMs = kDotnetSetupWait)
{
    Outcome outcome = {false, L"", false};
    outcome.result = RunDotnetSetupFrom(package.DotnetFolder(), waitMs, nullptr, outcome.reason, outcome.restart);
    return outcome;
}

} // namespace

TEST_CASE("the setup's exit code decides the result, the reason and the restart flag")
{
    Package package(L"prereq-dotnet-codes");

    SUBCASE("0: installed")
    {
        package.AddDotnetSetup("exit 0\n");
        Outcome outcome = Run(package);
        CHECK(outcome.result);
        CHECK(outcome.reason.empty());
        CHECK_FALSE(outcome.restart);
    }
    SUBCASE("3010: installed, restart needed")
    {
        package.AddDotnetSetup("exit 3010\n");
        Outcome outcome = Run(package);
        CHECK(outcome.result);
        CHECK(outcome.reason.empty());
        CHECK(outcome.restart);
    }
    SUBCASE("1602: cancelled, no reason")
    {
        package.AddDotnetSetup("exit 1602\n");
        Outcome outcome = Run(package);
        CHECK_FALSE(outcome.result);
        CHECK(outcome.reason.empty());
        CHECK_FALSE(outcome.restart);
    }
    SUBCASE("any other code: failed with reason 143")
    {
        for (const char* code : {"exit 1\n", "exit 1603\n", "exit -1\n"}) {
            CAPTURE(code);
            package.AddDotnetSetup(code);
            Outcome outcome = Run(package);
            CHECK_FALSE(outcome.result);
            CHECK(outcome.reason == LoadText(IDS_DOTNET_ERROR));
            CHECK_FALSE(outcome.restart);
        }
    }
}

TEST_CASE("the setup is started in its folder with the progress switch, under either name")
{
    Package package(L"prereq-dotnet-start");

    SUBCASE("dotnetfx3.exe")
    {
        package.AddDotnetSetup("exit 0\n");
    }
    SUBCASE("dotnetfx3setup.exe when dotnetfx3.exe is missing")
    {
        package.AddDotnetSetup("exit 0\n", L"dotnetfx3setup.exe");
    }
    CHECK(Run(package).result);
    std::vector<std::wstring> log = package.DotnetLog();
    REQUIRE(LinesStartingWith(log, L"command=").size() == 1);
    CHECK(Contains(LinesStartingWith(log, L"command=")[0], L" /progress TavrelNetFX3SetupWatcher"));
    CHECK(LinesStartingWith(log, L"folder=") == std::vector<std::wstring>{L"folder=" + package.DotnetFolder()});
    CHECK(LinesStartingWith(log, L"open=") == std::vector<std::wstring>{L"open=0"});
}

TEST_CASE("without a setup program the reason is string 114")
{
    Package package(L"prereq-dotnet-missing");
    Outcome outcome = Run(package);
    CHECK_FALSE(outcome.result);
    CHECK(outcome.reason == LoadText(IDS_SOURCE_DAMAGED_11));
}

TEST_CASE("a setup that outlasts the wait counts as failed")
{
    Package package(L"prereq-dotnet-slow");
    package.AddDotnetSetup("sleep 3000\nexit 0\n");
    Outcome outcome = Run(package, 300);
    CHECK_FALSE(outcome.result);
    CHECK(outcome.reason == LoadText(IDS_DOTNET_ERROR));
    // The setup is left running; let it end before its folder goes.
    Sleep(3500);
}

TEST_CASE("the dialog shows the phases and percentages that the setup reports")
{
    Package package(L"prereq-dotnet-progress");
    package.AddDotnetSetup("observe\n"
                           "record 1 150 0\nobserve\n"
                           "record 1 -5 0\nobserve\n"
                           "record 2 30 0\nobserve\n"
                           "record 2 3 4\nobserve\n"
                           "record 9 50 100\nobserve\n"
                           "record 3 2000000000 2000000000\nobserve\n"
                           "record 3 1 -3\nobserve\n"
                           "exit 0\n");
    REQUIRE(Run(package).result);
    std::vector<std::wstring> replies = LinesStartingWith(package.DotnetLog(), L"record ");
    REQUIRE(replies.size() == 7);
    for (const std::wstring& line : replies)
        CHECK(Contains(line, L"error=0 reply=0"));

    std::vector<std::wstring> seen = LinesStartingWith(package.DotnetLog(), L"observe ");
    REQUIRE(seen.size() == 8);
    std::wstring downloading = L"text=" + LoadText(IDS_DOTNET_DOWNLOADING);
    std::wstring installing = L"text=" + LoadText(IDS_DOTNET_INSTALLING);
    // Before any record: the marquee runs.
    CHECK(Contains(seen[0], L"marquee=1"));
    // Phase 1: range 0-4 at 1, the percentage clamped to 0-100.
    CHECK(Contains(seen[1], L"marquee=0 phase=1 phases=4 percent=100"));
    CHECK(Contains(seen[2], L"phase=1 phases=4 percent=0"));
    // Phase 2: a total of 0 counts as 1, the percentage is clamped.
    CHECK(Contains(seen[3], L"phase=2 phases=4 percent=100 " + downloading));
    CHECK(Contains(seen[4], L"phase=2 phases=4 percent=75 " + downloading));
    // Another phase number changes nothing.
    CHECK(Contains(seen[5], L"phase=2 phases=4 percent=75 " + downloading));
    // Phase 3, with counts near the int range.
    CHECK(Contains(seen[6], L"phase=3 phases=4 percent=100 " + installing));
    CHECK(Contains(seen[7], L"phase=3 phases=4 percent=100 " + installing));
}

TEST_CASE("a setup that starts with phase 2 still ends the marquee")
{
    Package package(L"prereq-dotnet-phase2");
    package.AddDotnetSetup("record 2 1 2\nobserve\nexit 0\n");
    REQUIRE(Run(package).result);
    std::vector<std::wstring> seen = LinesStartingWith(package.DotnetLog(), L"observe ");
    REQUIRE(seen.size() == 1);
    CHECK(Contains(seen[0], L"marquee=0 phase=2 phases=4 percent=50"));
}

TEST_CASE("a setup that never connects leaves the marquee running until it ends")
{
    Package package(L"prereq-dotnet-silent");
    package.AddDotnetSetup("connect 0\nobserve\nsleep 400\nobserve\nexit 0\n");
    REQUIRE(Run(package).result);
    std::vector<std::wstring> log = package.DotnetLog();
    CHECK(LinesStartingWith(log, L"open=").empty());
    std::vector<std::wstring> seen = LinesStartingWith(log, L"observe ");
    REQUIRE(seen.size() == 2);
    CHECK(Contains(seen[0], L"marquee=1"));
    CHECK(Contains(seen[1], L"marquee=1"));
}

TEST_CASE("phase percentages")
{
    CHECK(DotnetPhasePercent(1, 101, 0) == 100);
    CHECK(DotnetPhasePercent(1, 42, 7) == 42);
    CHECK(DotnetPhasePercent(2, 5, 0) == 100);
    CHECK(DotnetPhasePercent(2, -5, 10) == 0);
    CHECK(DotnetPhasePercent(3, 1, 3) == 33);
    CHECK(DotnetPhasePercent(3, 0x7FFFFFFF, 0x7FFFFFFF) == 100);
    CHECK(DotnetPhasePercent(2, 0x40000000, 0x7FFFFFFF) == 50);
}
