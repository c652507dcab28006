// The DirectX setup run in-process against the stand-in dsetup.dll: the
// library's entry points, the end-user agreement, the arguments it gets and
// every result code.
#include <doctest/doctest.h>

#include <string>

#include "common/win/dll_search.h"
#include "common/win/text.h"
#include "packsetup/prereq/directx_setup.h"
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

Outcome Run(const Package& package, bool restartBefore = false)
{
    Outcome outcome = {false, L"", restartBefore};
    outcome.result = RunDirectXSetupFrom(package.DirectXFolder(), nullptr, outcome.reason, outcome.restart);
    return outcome;
}

std::string ResultScript(int code)
{
    return "sleep 0\nresult " + std::to_string(code) + "\n";
}

} // namespace

TEST_CASE("every failure code of the table has its reason, the others none")
{
    struct Row {
        int code;
        UINT reasonId;
    };
    const Row rows[] = {{-1, IDS_DX_WINDOWS_NOT_SUPPORTED_21}, {-2, IDS_SOURCE_DAMAGED_11},
                        {-5, IDS_SOURCE_DAMAGED_12},           {-6, IDS_DX_NOT_ENOUGH_DISK_SPACE},
                        {-7, IDS_SOURCE_DAMAGED_13},           {-8, IDS_DX_WORK_FOLDER_FAILED},
                        {-9, IDS_UNKNOWN_INTERNAL_ERROR},      {-11, IDS_DX_WINDOWS_NOT_SUPPORTED_22},
                        {-15, IDS_DX_ADMIN_REQUIRED},          {-16, IDS_DX_CPU_NOT_SUPPORTED},
                        {-19, IDS_SOURCE_DAMAGED_14},          {-20, IDS_SOURCE_DAMAGED_15},
                        {-21, IDS_SOURCE_DAMAGED_16}};
    for (const Row& row : rows) {
        CAPTURE(row.code);
        CHECK(DirectXReasonId(row.code) == row.reasonId);
    }
    for (int code : {1, 0, -3, -4, -10, -12, -13, -14, -17, -18, -22, -1000, 2, 77}) {
        CAPTURE(code);
        CHECK(DirectXReasonId(code) == 0u);
    }
}

TEST_CASE("the library's result code decides the result, the reason and the restart flag")
{
    Package package(L"prereq-directx-codes");

    SUBCASE("a code with a reason")
    {
        package.AddDirectXSetup(ResultScript(-9));
        Outcome outcome = Run(package);
        CHECK_FALSE(outcome.result);
        CHECK(outcome.reason == LoadText(IDS_UNKNOWN_INTERNAL_ERROR));
        CHECK_FALSE(outcome.restart);
    }
    SUBCASE("-3: failed without a reason")
    {
        package.AddDirectXSetup(ResultScript(-3));
        Outcome outcome = Run(package);
        CHECK_FALSE(outcome.result);
        CHECK(outcome.reason.empty());
    }
    SUBCASE("1: installed, restart needed")
    {
        package.AddDirectXSetup(ResultScript(1));
        Outcome outcome = Run(package);
        CHECK(outcome.result);
        CHECK(outcome.restart);
        CHECK(outcome.reason.empty());
    }
    SUBCASE("0: installed, and the restart flag is cleared")
    {
        package.AddDirectXSetup(ResultScript(0));
        Outcome outcome = Run(package, true);
        CHECK(outcome.result);
        CHECK_FALSE(outcome.restart);
    }
}

TEST_CASE("the library gets the owner, the directx folder and the DirectX flags, behind the dialog")
{
    // As at the programs' start; the library then finds its helpers by name in
    // its folder only while the step runs.
    RestrictDllSearch();
    Package package(L"prereq-directx-arguments");
    package.AddDirectXSetup("sleep 300\nresult 0\n");
    REQUIRE(Run(package).result);
    CHECK(LoadLibraryW(L"dsetup_helper.dll") == nullptr);
    CHECK(LoadLibraryW(L"dsetup_helper_late.dll") == nullptr);
    std::vector<std::wstring> log = package.DirectXLog();
    CHECK(LinesStartingWith(log, L"late helper ") == std::vector<std::wstring>{L"late helper loaded"});
    REQUIRE(LinesStartingWith(log, L"eula ").size() == 1);
    // The agreement comes before the dialog.
    CHECK(Contains(LinesStartingWith(log, L"eula ")[0], L"owner=0x00000000 dialog=none"));
    CHECK(LinesStartingWith(log, L"setup ") ==
          std::vector<std::wstring>{L"setup owner=0x00000000 flags=0x00010018 source=" + package.DirectXFolder()});
    REQUIRE(LinesStartingWith(log, L"working ").size() == 1);
    CHECK(Contains(LinesStartingWith(log, L"working ")[0], L"marquee=1"));
}

TEST_CASE("a declined end-user agreement gives reason 126 and no setup")
{
    Package package(L"prereq-directx-eula");
    for (int answer : {IDNO, IDCANCEL, 0}) {
        CAPTURE(answer);
        package.AddDirectXSetup("eula " + std::to_string(answer) + "\n");
        Outcome outcome = Run(package);
        CHECK_FALSE(outcome.result);
        CHECK(outcome.reason == LoadText(IDS_DX_LICENSE_NOT_ACCEPTED));
    }
    CHECK(LinesStartingWith(package.DirectXLog(), L"eula ").size() == 3);
    CHECK(LinesStartingWith(package.DirectXLog(), L"setup ").empty());
}

TEST_CASE("a missing library or entry point gives reason 127 without the agreement")
{
    Package package(L"prereq-directx-missing");
    SUBCASE("no dsetup.dll")
    {
    }
    SUBCASE("no directx folder")
    {
        REQUIRE(RemoveDirectoryW(package.DirectXFolder().c_str()));
    }
    SUBCASE("no DirectXSetupW")
    {
        package.AddDirectXSetup("", L"dsetup_without_setup.dll");
    }
    Outcome outcome = Run(package);
    CHECK_FALSE(outcome.result);
    CHECK(outcome.reason == LoadText(IDS_DX_API_UNAVAILABLE));
    CHECK(package.DirectXLog().empty());
}
