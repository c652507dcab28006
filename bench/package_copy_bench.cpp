// CopyPackageEntries against Wine's own xcopy /E /I /Y of the same tree in
// the same prefix: 5,000 files of 1 to 64 KiB in nested folders and two
// files of 60 MiB. Each copy runs twice into fresh targets; the faster run
// of each counts.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_support.h"
#include "packsetup/copy_package.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/installer_state.h"

namespace {

bool MakePackage(const std::wstring& image)
{
    if (!CreateDirectoryW(image.c_str(), nullptr))
        return false;
    unsigned seed = 12345;
    int files = 0;
    for (int a = 0; a < 10; ++a) {
        std::wstring top = image + L"\\group" + std::to_wstring(a);
        if (!CreateDirectoryW(top.c_str(), nullptr))
            return false;
        for (int b = 0; b < 10; ++b) {
            std::wstring folder = top + L"\\set" + std::to_wstring(b);
            if (!CreateDirectoryW(folder.c_str(), nullptr))
                return false;
            for (int c = 0; c < 50; ++c, ++files) {
                seed = seed * 1103515245u + 12345u;
                DWORD size = 1024 + (seed >> 8) % (63 * 1024 + 1);
                if (!bench::WriteFileOfSize(folder + L"\\item" + std::to_wstring(c) + L".dat", size, seed))
                    return false;
            }
        }
    }
    const DWORD big = 60u * 1024 * 1024;
    return files == 5000 && bench::WriteFileOfSize(image + L"\\group0\\large1.bin", big, 1)
        && bench::WriteFileOfSize(image + L"\\group9\\set9\\large2.bin", big, 2);
}

double CopyWithEngine(const std::wstring& image, const std::wstring& target)
{
    InstallerState& state = Installer();
    state.installedFiles.clear();
    state.installedFolders.Clear();
    bench::Stopwatch watch;
    FolderScanner scanner;
    if (!scanner.Scan(image.c_str(), L"") || !CopyPackageEntries(scanner, target, nullptr, nullptr, nullptr))
        return -1;
    return watch.Seconds();
}

double CopyWithXcopy(const std::wstring& image, const std::wstring& target)
{
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(system, length) + L"\\xcopy.exe\" \"" + image + L"\" \"" + target
        + L"\" /E /I /Y /Q";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr,
                                                         OPEN_EXISTING, 0, nullptr);
    PROCESS_INFORMATION process = {};
    bench::Stopwatch watch;
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double seconds = watch.Seconds();
    DWORD exitCode = 1;
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(startup.hStdOutput);
    return exitCode == 0 ? seconds : -1;
}

double Best(double a, double b)
{
    if (a < 0 || b < 0)
        return -1;
    return a < b ? a : b;
}

} // namespace

int main()
{
    std::wstring root = bench::TempFolder(L"copy-bench");
    bench::RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring image = root + L"\\image";
    if (!MakePackage(image)) {
        std::printf("package copy: could not generate the package\n");
        return 1;
    }

    double engine[2], xcopy[2];
    for (int run = 0; run < 2; ++run) {
        std::wstring suffix = std::to_wstring(run);
        xcopy[run] = CopyWithXcopy(image, root + L"\\xcopy" + suffix);
        engine[run] = CopyWithEngine(image, root + L"\\engine" + suffix + L"\\Tavrel");
        bench::RemoveTree(root + L"\\xcopy" + suffix);
        bench::RemoveTree(root + L"\\engine" + suffix);
    }
    double bestEngine = Best(engine[0], engine[1]);
    double bestXcopy = Best(xcopy[0], xcopy[1]);
    int status = 0;
    if (bestEngine < 0 || bestXcopy < 0) {
        std::printf("package copy: a copy FAILED (engine %.3f / %.3f s, xcopy %.3f / %.3f s)\n", engine[0],
                    engine[1], xcopy[0], xcopy[1]);
        status = 1;
    } else {
        std::printf("package copy (5,000 files of 1-64 KiB + 2 x 60 MiB): CopyPackageEntries %.3f s "
                    "(runs %.3f, %.3f), xcopy /E /I /Y %.3f s (runs %.3f, %.3f), ratio %.2f\n",
                    bestEngine, engine[0], engine[1], bestXcopy, xcopy[0], xcopy[1], bestEngine / bestXcopy);
    }
    bench::RemoveTree(root);
    return status;
}
