// CopyPackageEntries against Wine's own xcopy /E /I /Y of the same tree in
// the same prefix: 5,000 files of 1 to 64 KiB in nested folders and two
// files of 60 MiB. Each copy runs twice into fresh targets; the faster run
// of each counts.
#include <windows.h>

#include <cstdio>
#include <string>

#include "bench_package.h"
#include "bench_support.h"
#include "packsetup/copy_package.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/installer_state.h"

namespace {

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

} // namespace

int main()
{
    std::wstring root = bench::TempFolder(L"copy-bench");
    bench::RemoveTree(root);
    CreateDirectoryW(root.c_str(), nullptr);
    std::wstring image = root + L"\\image";
    if (!bench::MakePackage(image)) {
        std::printf("package copy: could not generate the package\n");
        return 1;
    }

    double engine[2], xcopy[2];
    for (int run = 0; run < 2; ++run) {
        std::wstring suffix = std::to_wstring(run);
        xcopy[run] = bench::CopyWithXcopy(image, root + L"\\xcopy" + suffix);
        engine[run] = CopyWithEngine(image, root + L"\\engine" + suffix + L"\\Tavrel");
        bench::RemoveTree(root + L"\\xcopy" + suffix);
        bench::RemoveTree(root + L"\\engine" + suffix);
    }
    double bestEngine = bench::Best(engine[0], engine[1]);
    double bestXcopy = bench::Best(xcopy[0], xcopy[1]);
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
