// Listing processes and finding or ending one by the name of its main module,
// with stand-ins of their own names so that no other test's tavrel.exe is
// touched.
#include <doctest/doctest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/win/processes.h"
#include "tests/fixtures/tavrel_standin/standin.h"

namespace {

// A copy of the stand-in under its own file name in a folder of its own.
class StandInCopy {
public:
    explicit StandInCopy(const std::wstring& fileName)
    {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        folder_ = std::wstring(temp) + L"processes-test-" + std::to_wstring(GetCurrentProcessId()) + L"-"
            + std::to_wstring(++counter_);
        CreateDirectoryW(folder_.c_str(), nullptr);
        path_ = folder_ + L"\\" + fileName;
        copied_ = CopyFileW(standin::VariantPath(standin::kVersion1_3_0).c_str(), path_.c_str(), FALSE) != FALSE;
    }
    ~StandInCopy()
    {
        DeleteFileW(path_.c_str());
        DeleteFileW(standin::MarkerPathFor(path_).c_str());
        RemoveDirectoryW(folder_.c_str());
    }
    StandInCopy(const StandInCopy&) = delete;
    StandInCopy& operator=(const StandInCopy&) = delete;

    bool Copied() const { return copied_; }
    const std::wstring& Path() const { return path_; }

private:
    static unsigned counter_;
    std::wstring folder_;
    std::wstring path_;
    bool copied_ = false;
};

unsigned StandInCopy::counter_ = 0;

std::wstring UniqueName(const wchar_t* stem)
{
    return std::wstring(stem) + std::to_wstring(GetCurrentProcessId()) + L".exe";
}

// What a 32-bit program meets when it lists the modules of a 64-bit one.
BOOL WINAPI ModulesOfOtherBitness(HANDLE, HMODULE*, DWORD, DWORD*)
{
    SetLastError(ERROR_PARTIAL_COPY);
    return FALSE;
}

} // namespace

TEST_CASE("the process list holds every process however small the first attempt")
{
    std::vector<DWORD> generous;
    REQUIRE(EnumerateProcessIds(generous));
    REQUIRE(generous.size() >= 2);

    std::vector<DWORD> grown;
    REQUIRE(EnumerateProcessIds(grown, 1));
    // Processes may come and go between the calls, but this one stays and the
    // list is not cut at the first attempt's size.
    CHECK(grown.size() > 1);
    CHECK(std::find(grown.begin(), grown.end(), GetCurrentProcessId()) != grown.end());
    CHECK(std::find(generous.begin(), generous.end(), GetCurrentProcessId()) != generous.end());

    // A list exactly as long as the first attempt must still be checked for more.
    std::vector<DWORD> exact;
    REQUIRE(EnumerateProcessIds(exact, grown.size()));
    CHECK(std::find(exact.begin(), exact.end(), GetCurrentProcessId()) != exact.end());
}

TEST_CASE("a running program is found by its module name, without regard to case")
{
    std::wstring name = UniqueName(L"standin-find-");
    StandInCopy copy(name);
    REQUIRE(copy.Copied());
    CHECK_FALSE(FindProcessByModuleName(name.c_str(), false));

    standin::Process process;
    REQUIRE(process.Start(copy.Path(), L"/NoWindow /ExitAfter:20000"));
    CHECK(FindProcessByModuleName(name.c_str(), false));
    std::wstring upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);
    CHECK(FindProcessByModuleName(upper.c_str(), false));
    // A prefix of the name is not the name.
    CHECK_FALSE(FindProcessByModuleName(L"standin-find-", false));

    // Without terminate the program goes on running.
    CHECK_FALSE(process.WaitForExit(200));
}

TEST_CASE("a program whose file name is in capitals is found by the name in small letters")
{
    std::wstring name = UniqueName(L"STANDIN-CAPITALS-");
    StandInCopy copy(name);
    REQUIRE(copy.Copied());
    standin::Process process;
    REQUIRE(process.Start(copy.Path(), L"/NoWindow /ExitAfter:20000"));

    std::wstring lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(), ::towlower);
    CHECK(FindProcessByModuleName(lower.c_str(), false));
}

TEST_CASE("terminate ends the program found with exit code 0")
{
    std::wstring name = UniqueName(L"standin-end-");
    StandInCopy copy(name);
    REQUIRE(copy.Copied());
    standin::Process process;
    REQUIRE(process.Start(copy.Path(), L"/ExitAfter:20000"));

    CHECK(FindProcessByModuleName(name.c_str(), true));
    REQUIRE(process.WaitForExit(5000));
    CHECK(process.ExitCode() == 0u);
    CHECK_FALSE(FindProcessByModuleName(name.c_str(), false));
}

TEST_CASE("a program that ended by itself is no longer found")
{
    std::wstring name = UniqueName(L"standin-gone-");
    StandInCopy copy(name);
    REQUIRE(copy.Copied());
    standin::Process process;
    REQUIRE(process.Start(copy.Path(), L"/NoWindow /ExitAfter:300"));
    REQUIRE(process.WaitForExit(10000));
    CHECK(process.ExitCode() == standin::kOwnExitCode);
    CHECK_FALSE(FindProcessByModuleName(name.c_str(), false));
}

TEST_CASE("a program whose module list cannot be read, as a 64-bit one's from 32-bit code, is found by its image")
{
    std::wstring name = UniqueName(L"standin-other-bitness-");
    StandInCopy copy(name);
    REQUIRE(copy.Copied());
    standin::Process process;
    REQUIRE(process.Start(copy.Path(), L"/NoWindow /ExitAfter:20000"));

    PsapiLibrary psapi;
    REQUIRE(psapi.IsLoaded());
    ProcessNameCalls calls = SystemProcessNameCalls(psapi);
    calls.enumProcessModules = ModulesOfOtherBitness;
    std::wstring upper = name;
    std::transform(upper.begin(), upper.end(), upper.begin(), ::towupper);

    SUBCASE("through QueryFullProcessImageNameW, from Windows Vista on")
    {
        REQUIRE((calls.queryFullProcessImageName != nullptr));
        CHECK(FindProcessByModuleName(calls, upper.c_str(), false));
        CHECK(FindProcessByModuleName(calls, name.c_str(), true));
        REQUIRE(process.WaitForExit(5000));
        CHECK(process.ExitCode() == 0u);
    }
    SUBCASE("through GetProcessImageFileNameW on Windows XP")
    {
        calls.queryFullProcessImageName = nullptr;
        REQUIRE((calls.getProcessImageFileName != nullptr));
        CHECK(FindProcessByModuleName(calls, upper.c_str(), false));
        CHECK_FALSE(FindProcessByModuleName(calls, L"standin-other-bitness-", false));
        CHECK(FindProcessByModuleName(calls, name.c_str(), true));
        REQUIRE(process.WaitForExit(5000));
        CHECK(process.ExitCode() == 0u);
    }
    SUBCASE("with neither, it is not found: the module list alone no longer names it")
    {
        calls.queryFullProcessImageName = nullptr;
        calls.getProcessImageFileName = nullptr;
        CHECK_FALSE(FindProcessByModuleName(calls, name.c_str(), false));
    }
}
