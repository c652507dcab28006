// packcheck: reads an add-on package as packsetup would and reports, one line
// each, what would keep it from installing.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>

#include "common/win/com_apartment.h"
#include "packcheck/definition_check.h"
#include "packcheck/image_check.h"
#include "packcheck/prerequisite_check.h"
#include "packcheck/problem_list.h"
#include "packcheck/removal_check.h"
#include "packsetup/package_paths.h"

namespace {

const int kExitPasses = 0;
const int kExitProblems = 1;
const int kExitUnreadable = 2;

const wchar_t kDefaultInstallFolder[] = L"C:\\Program Files\\Halvest\\Tavrel!";
const wchar_t kInstallFolderOption[] = L"/InstallFolder:";

bool IsInstallFolderOption(const std::wstring& argument)
{
    size_t length = wcslen(kInstallFolderOption);
    return argument.size() >= length
           && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, argument.c_str(), static_cast<int>(length),
                             kInstallFolderOption, static_cast<int>(length))
                  == CSTR_EQUAL;
}

// The folder as a full path without a trailing backslash; false when it
// cannot be listed.
bool OpenPackageFolder(const std::wstring& argument, std::wstring& folder)
{
    DWORD size = GetFullPathNameW(argument.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return false;
    std::wstring full(size, L'\0');
    DWORD length = GetFullPathNameW(argument.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return false;
    full.resize(length);
    RemoveOneTrailingBackslash(full);
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((full + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return false;
    FindClose(find);
    folder = full;
    return true;
}

void PrintSummary(const ImageSummary& summary)
{
    PrintLine(L"files: " + std::to_wstring(summary.files) + L", folders: " + std::to_wstring(summary.folders)
              + L", total size: " + std::to_wstring(summary.totalSize) + L" bytes");
    if (summary.longestTarget.empty())
        return;
    long spare = static_cast<long>(MAX_PATH - 1) - static_cast<long>(summary.longestTarget.size());
    PrintLine(L"longest target path: " + std::to_wstring(summary.longestTarget.size()) + L" characters ("
              + (spare >= 0 ? std::to_wstring(spare) + L" to spare" : std::to_wstring(-spare) + L" too many")
              + L"): " + summary.longestTarget);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Lines end in a bare line feed, as the shell scripts that read them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    std::wstring packageArgument;
    std::wstring installFolder = kDefaultInstallFolder;
    int packageArguments = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring argument = argv[i];
        if (IsInstallFolderOption(argument)) {
            installFolder = argument.substr(wcslen(kInstallFolderOption));
        } else {
            packageArgument = argument;
            ++packageArguments;
        }
    }
    if (packageArguments != 1 || packageArgument.empty() || installFolder.empty()) {
        PrintLine(L"usage: packcheck <package folder> [/InstallFolder:<path>]");
        return kExitUnreadable;
    }
    std::wstring packageFolder;
    if (!OpenPackageFolder(packageArgument, packageFolder)) {
        PrintLine(packageArgument + L": cannot be read");
        return kExitUnreadable;
    }

    ScopedComApartment com;
    ProblemList problems;
    PackageDefinition definition;
    if (CheckDefinition(packageFolder, definition, problems))
        CheckRemovals(definition, problems);
    ImageSummary summary = CheckImage(packageFolder, installFolder, problems);
    CheckPrerequisites(packageFolder, problems);

    for (const std::wstring& line : problems.Lines())
        PrintLine(line);
    PrintSummary(summary);
    if (problems.Empty()) {
        PrintLine(L"no problems: the package would install");
        return kExitPasses;
    }
    PrintLine(std::to_wstring(problems.Lines().size()) + L" problem(s)");
    return kExitProblems;
}
