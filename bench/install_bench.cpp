// The whole installation of the generated package as a user runs it:
// packsetup.exe started beside its package, Tavrel! 1.3.0 installed for the
// current user, the UI-automation library answering No to the question
// whether to start Tavrel!; against Wine's own xcopy /E /I /Y of the same
// tree in the same prefix. Measured with the designed two-second minimum of
// the last phases and, with a build of packsetup without it, the work alone.
// Each run goes into a fresh installation folder; the faster of two counts.
#include <windows.h>
#include <shlwapi.h>

#include <cstdio>
#include <string>

#include "bench_package.h"
#include "bench_support.h"
#include "uiauto/session.h"

namespace {

const DWORD kRunTimeoutMs = 600000;

std::wstring BuildFolder()
{
    wchar_t own[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
    std::wstring path(own, length);
    path = path.substr(0, path.find_last_of(L'\\')); // <build>\bench
    return path.substr(0, path.find_last_of(L'\\'));
}

bool WriteText(const std::wstring& path, const std::string& text)
{
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == text.size();
}

std::string Narrow(const std::wstring& text)
{
    return std::string(text.begin(), text.end());
}

// The product key of the benchmark under HKCU, removed afterwards.
class ProductKey {
public:
    ProductKey() : baseName_(L"TavrelBench-" + std::to_wstring(GetCurrentProcessId()))
    {
        path_ = L"Software\\Halvest\\" + baseName_;
    }
    ~ProductKey() { SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str()); }
    ProductKey(const ProductKey&) = delete;
    ProductKey& operator=(const ProductKey&) = delete;

    const std::wstring& BaseName() const { return baseName_; }

    bool SetInstallPath(const std::wstring& folder) const
    {
        SHDeleteKeyW(HKEY_CURRENT_USER, path_.c_str());
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, path_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr)
            != ERROR_SUCCESS)
            return false;
        LONG result = RegSetValueExW(key, L"InstallPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                                     static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
        RegCloseKey(key);
        return result == ERROR_SUCCESS;
    }

private:
    std::wstring baseName_;
    std::wstring path_;
};

// A fresh installation of Tavrel! 1.3.0 with the manifest its setup writes.
bool PrepareInstallation(const std::wstring& build, const std::wstring& folder, const ProductKey& product)
{
    std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
    if (!CreateDirectoryW(parent.c_str(), nullptr) || !CreateDirectoryW(folder.c_str(), nullptr))
        return false;
    std::wstring standIn = build + L"\\tests\\fixtures\\tavrel_standin\\tavrel_1_3_0.exe";
    if (!CopyFileW(standIn.c_str(), (folder + L"\\tavrel.exe").c_str(), FALSE))
        return false;
    std::string manifest = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<TavrelUninstall>\r\n"
                           "\t<Options>\r\n\t\t<CurrentUser>1</CurrentUser>\r\n\t</Options>\r\n"
                           "\t<Components>\r\n\t\t<File>" + Narrow(folder) + "\\tavrel.exe</File>\r\n"
                           "\t\t<Directory>" + Narrow(folder) + "</Directory>\r\n\t</Components>\r\n"
                           "</TavrelUninstall>\r\n";
    return WriteText(folder + L"\\tavrelunsetup.dat", manifest) && product.SetInstallPath(folder);
}

// Seconds from the start of the program until it has ended; -1 when it did
// not install (any message but the final question, or a timeout).
double Install(const std::wstring& program)
{
    uiauto::LaunchOptions options;
    options.program = program;
    options.workingFolder = program.substr(0, program.find_last_of(L'\\'));
    bench::Stopwatch watch;
    uiauto::RunResult run = uiauto::Run(options, uiauto::AnswerRules().Otherwise(IDNO), kRunTimeoutMs);
    double seconds = watch.Seconds();
    if (!run.started || run.timedOut || run.exitCode != 0 || run.messageBoxes.size() != 1
        || !uiauto::HasButton(run.messageBoxes[0], IDYES))
        return -1;
    return seconds;
}

double BestInstall(const std::wstring& build, const std::wstring& root, const std::wstring& program,
                   const std::wstring& name, const ProductKey& product, double runs[2])
{
    for (int run = 0; run < 2; ++run) {
        std::wstring target = root + L"\\" + name + std::to_wstring(run);
        std::wstring folder = target + L"\\Tavrel";
        runs[run] = PrepareInstallation(build, folder, product) ? Install(program) : -1;
        bench::RemoveTree(target);
    }
    return bench::Best(runs[0], runs[1]);
}

} // namespace

int wmain()
{
    std::wstring build = BuildFolder();
    std::wstring root = bench::TempFolder(L"install-bench");
    bench::RemoveTree(root);
    std::wstring setup = root + L"\\setup";
    if (!CreateDirectoryW(root.c_str(), nullptr) || !CreateDirectoryW(setup.c_str(), nullptr)
        || !bench::MakePackage(setup + L"\\image")) {
        std::printf("install: could not generate the package\n");
        return 1;
    }

    ProductKey product;
    std::string definition = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TavrelSetup>\r\n"
                             "\t<Caption>Tavrel! Benchmark Pack</Caption>\r\n"
                             "\t<BaseRegKey>" + Narrow(product.BaseName()) + "</BaseRegKey>\r\n"
                             "\t<SfxExtractPath>BenchmarkPack</SfxExtractPath>\r\n"
                             "\t<PackageID>BenchmarkPack</PackageID>\r\n"
                             "\t<PackageTitle>Benchmark Pack</PackageTitle>\r\n"
                             "\t<RequiredTavrelVersion>1.2.0</RequiredTavrelVersion>\r\n"
                             "</TavrelSetup>\r\n";
    std::wstring designed = setup + L"\\packsetup.exe";
    std::wstring quick = setup + L"\\packsetup_quick_finish.exe";
    if (!CopyFileW((build + L"\\packsetup\\packsetup.exe").c_str(), designed.c_str(), FALSE)
        || !CopyFileW((build + L"\\bench\\packsetup_quick_finish.exe").c_str(), quick.c_str(), FALSE)
        || !WriteText(setup + L"\\packsetup.def", definition)
        || !WriteText(setup + L"\\packsetup_quick_finish.def", definition)) {
        std::printf("install: could not set up the programs\n");
        return 1;
    }

    double designedRuns[2], quickRuns[2], xcopyRuns[2];
    double bestDesigned = BestInstall(build, root, designed, L"designed", product, designedRuns);
    double bestQuick = BestInstall(build, root, quick, L"quick", product, quickRuns);
    for (int run = 0; run < 2; ++run) {
        std::wstring target = root + L"\\xcopy" + std::to_wstring(run);
        xcopyRuns[run] = bench::CopyWithXcopy(setup + L"\\image", target);
        bench::RemoveTree(target);
    }
    double bestXcopy = bench::Best(xcopyRuns[0], xcopyRuns[1]);

    int status = 0;
    if (bestDesigned < 0 || bestQuick < 0 || bestXcopy < 0) {
        std::printf("install: a run FAILED (packsetup %.3f / %.3f s, without the final minimum %.3f / %.3f s, "
                    "xcopy %.3f / %.3f s)\n",
                    designedRuns[0], designedRuns[1], quickRuns[0], quickRuns[1], xcopyRuns[0], xcopyRuns[1]);
        status = 1;
    } else {
        std::printf("install (5,000 files of 1-64 KiB + 2 x 60 MiB, started to ended, answering No): "
                    "packsetup %.3f s (runs %.3f, %.3f), ratio to xcopy %.2f; without the 2 s final minimum "
                    "%.3f s (runs %.3f, %.3f), ratio %.2f; xcopy /E /I /Y %.3f s (runs %.3f, %.3f)\n",
                    bestDesigned, designedRuns[0], designedRuns[1], bestDesigned / bestXcopy, bestQuick, quickRuns[0],
                    quickRuns[1], bestQuick / bestXcopy, bestXcopy, xcopyRuns[0], xcopyRuns[1]);
    }
    // The unpack folder does not exist here; only the product key and the scratch tree remain.
    bench::RemoveTree(root);
    return status;
}
