// The removal of the uninstall engine for a manifest of 20,000 files in 500
// folders: the manifest loaded and judged as the core does (under Wine no
// manifest is trusted, so its entries are kept within the installation
// folder and the profile), the files deleted in manifest order, then the
// folders deepest first, each through handles that do not follow links;
// against Wine's own
// "del /s /q" followed by "rd /s /q" of the same tree in the same prefix.
// The designed waits (the launcher's end, the two-second pause) are not part
// of it. Each run removes a fresh tree; the faster of two counts.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

#include "bench_package.h"
#include "common/win/shell_folders.h"
#include "common/xml/qz_xml.h"
#include "packsetup/open_without_links.h"
#include "unsetup/manifest_items.h"
#include "unsetup/manifest_trust.h"
#include "unsetup/work_lists.h"

namespace {

const int kGroups = 25;
const int kSetsPerGroup = 20;
const int kFilesPerSet = 40;

std::string Utf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string result(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

// The tree below the (new) folder, and the manifest that lists it, as the
// installer writes it: every file, then every folder.
bool MakeTree(const std::wstring& root, const std::wstring& manifestPath)
{
    if (!CreateDirectoryW(root.c_str(), nullptr))
        return false;
    std::string files, folders = "\t\t<Directory>" + Utf8(root) + "</Directory>\r\n";
    for (int a = 0; a < kGroups; ++a) {
        std::wstring top = root + L"\\group" + std::to_wstring(a);
        if (!CreateDirectoryW(top.c_str(), nullptr))
            return false;
        folders += "\t\t<Directory>" + Utf8(top) + "</Directory>\r\n";
        for (int b = 0; b < kSetsPerGroup; ++b) {
            std::wstring folder = top + L"\\set" + std::to_wstring(b);
            if (!CreateDirectoryW(folder.c_str(), nullptr))
                return false;
            folders += "\t\t<Directory>" + Utf8(folder) + "</Directory>\r\n";
            for (int c = 0; c < kFilesPerSet; ++c) {
                std::wstring file = folder + L"\\item" + std::to_wstring(c) + L".dat";
                if (!bench::WriteFileOfSize(file, 1024, c))
                    return false;
                files += "\t\t<File>" + Utf8(file) + "</File>\r\n";
            }
        }
    }
    std::string manifest = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<TavrelUninstall>\r\n"
                           "\t<Components>\r\n" + files + folders + "\t</Components>\r\n</TavrelUninstall>\r\n";
    HANDLE out = CreateFileW(manifestPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (out == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    BOOL ok = WriteFile(out, manifest.data(), static_cast<DWORD>(manifest.size()), &written, nullptr);
    CloseHandle(out);
    return ok && written == manifest.size();
}

bool Exists(const std::wstring& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Seconds of the engine's removal, the bounds of an untrusted manifest
// included; -1 when it failed or left anything. The tree stands for the
// installation folder.
double RemoveByManifest(const std::wstring& root, const std::wstring& manifestPath, bool& trusted)
{
    qz_xml::QXMLDocument manifest;
    if (!manifest.Create() || !LoadUninstallManifest(manifest, manifestPath, trusted))
        return -1;
    UninstallWorkLists lists;
    AddManifestItems(lists, manifest);
    std::wstring profile;
    if (!GetShellFolderPath(CSIDL_PROFILE, nullptr, profile))
        return -1;
    bench::Stopwatch watch;
    FolderBounds bounds;
    if (!trusted)
        BoundUntrustedManifest(bounds, root, profile);
    DeleteListedFiles(lists, trusted ? nullptr : &bounds);
    RemoveListedFolders(lists, trusted ? nullptr : &bounds);
    double seconds = watch.Seconds();
    return Exists(root) ? -1 : seconds;
}

// Seconds of "del /s /q" and "rd /s /q" of the system's command processor.
double RemoveWithCommands(const std::wstring& root)
{
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(system, length) + L"\\cmd.exe\" /c ";
    std::wstring commands[] = {cmd + L"del /s /q \"" + root + L"\\*\"", cmd + L"rd /s /q \"" + root + L"\""};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    bench::Stopwatch watch;
    for (std::wstring& command : commands) {
        STARTUPINFOW startup = {};
        startup.cb = sizeof(startup);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = startup.hStdError = nul;
        PROCESS_INFORMATION process = {};
        if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process))
            break;
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    double seconds = watch.Seconds();
    CloseHandle(nul);
    return Exists(root) ? -1 : seconds;
}

} // namespace

int wmain()
{
    CoInitialize(nullptr);
    std::wstring scratch = bench::TempFolder(L"uninstall-bench");
    bench::RemoveTree(scratch);
    std::wstring manifest = scratch + L"\\tavrelunsetup.dat";
    double engine[2], commands[2];
    bool trusted = false;
    bool made = CreateDirectoryW(scratch.c_str(), nullptr) != FALSE;
    for (int run = 0; run < 2; ++run) {
        std::wstring root = scratch + L"\\Tavrel";
        engine[run] = made && MakeTree(root, manifest) ? RemoveByManifest(root, manifest, trusted) : -1;
        bench::RemoveTree(root);
        commands[run] = made && MakeTree(root, manifest) ? RemoveWithCommands(root) : -1;
        bench::RemoveTree(root);
    }
    bench::RemoveTree(scratch);
    CoUninitialize();

    double best = bench::Best(engine[0], engine[1]);
    double baseline = bench::Best(commands[0], commands[1]);
    if (best < 0 || baseline < 0) {
        std::printf("uninstall: a run FAILED (engine %.3f / %.3f s, del + rd %.3f / %.3f s)\n", engine[0], engine[1],
                    commands[0], commands[1]);
        return 1;
    }
    double ratio = best / baseline;
    std::printf("uninstall removal (20,000 files in 500 folders, manifest %s): engine %.3f s (runs %.3f, %.3f), "
                "del /s /q + rd /s /q %.3f s (runs %.3f, %.3f), ratio %.2f, target <= 1.50: %s\n",
                trusted ? "trusted" : "untrusted, entries bounded", best, engine[0], engine[1], baseline, commands[0], commands[1], ratio, ratio <= 1.5 ? "met" : "MISSED");
    return 0;
}
