// packcheck: reads an add-on package as packsetup would and reports, one line
// each, what would keep it from installing or harm the installation, then
// what would install differently from what its author may expect.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/win/com_apartment.h"
#include "common/win/scoped_find_handle.h"
#include "packcheck/definition_check.h"
#include "packcheck/definition_name.h"
#include "packcheck/image_check.h"
#include "packcheck/long_paths.h"
#include "packcheck/prerequisite_check.h"
#include "packcheck/problem_list.h"
#include "packcheck/removal_check.h"
#include "packcheck/self_extractor_build.h"
#include "packsetup/package_paths.h"
#include "packsetup/program_folder.h"
#include "packsetup/unpack_folder_name.h"

namespace {

const int kExitPasses = 0;
const int kExitProblems = 1;
const int kExitUnreadable = 2;

const wchar_t kDefaultInstallFolder[] = L"C:\\Program Files\\Halvest\\Tavrel!";
// A long profile as the user's machine may have it: a 20-character user name.
const wchar_t kDefaultAppData[] = L"C:\\Users\\twenty-char-username\\AppData\\Roaming";

const wchar_t kUsage[] =
    L"usage: packcheck <package folder> [/InstallFolder:<path>] [/AppData:<path>] [/Program:<name>.exe]\n"
    L"                 [--json] [--xml-error=<file>:<line>:<column>:<reason>]...\n"
    L"                 [--build=<output.exe> [--force] [/Stub:<packsfx.exe>] [/Installer:<packsetup.exe>]]\n"
    L"\n"
    L"Reads the package as packsetup.exe would and lists its problems (exit code 1) and\n"
    L"warnings; exit code 0 when it would install, 2 when the folder cannot be read.\n"
    L"\n"
    L"  /InstallFolder:<path>  Tavrel!'s installation folder, an absolute Windows path\n"
    L"                         (default C:\\Program Files\\Halvest\\Tavrel!)\n"
    L"  /AppData:<path>        the user's roaming application-data folder, below which the\n"
    L"                         package is unpacked and from which it is copied (default\n"
    L"                         C:\\Users\\twenty-char-username\\AppData\\Roaming)\n"
    L"  /Program:<name>.exe    the installer's file name, whose definition <name>.def is\n"
    L"                         read (default: the only .exe in the package folder)\n"
    L"  --json                 one JSON object per finding and line: severity, file, line,\n"
    L"                         column, code, message; with --build, one more for the build\n"
    L"  --xml-error=...        where another parser found the definition not well-formed,\n"
    L"                         for a parser that gives no position (check-package.sh passes\n"
    L"                         xmllint's under Wine)\n"
    L"  --build=<output.exe>   then, when it has no problems, builds the package into one\n"
    L"                         self-extracting file (exit code 0 built, 1 refused, 2 failed)\n"
    L"  --force                builds even a package with problems\n"
    L"  /Stub:<path>           the self-extractor program (default: packsfx.exe beside packcheck)\n"
    L"  /Installer:<path>      the installer that the package runs, stored under the\n"
    L"                         definition's name unless the package holds its own (default:\n"
    L"                         packsetup.exe beside packcheck)\n"
    L"  --help                 this text\n";

struct Options {
    std::wstring package;
    std::wstring installFolder = kDefaultInstallFolder;
    std::wstring appData = kDefaultAppData;
    std::wstring program;
    std::vector<ParsePosition> otherParser;
    std::wstring buildOutput;
    std::wstring stub;
    std::wstring installer;
    bool force = false;
    bool json = false;
    bool help = false;
};

bool TakeOption(const std::wstring& argument, const wchar_t* name, std::wstring& value)
{
    size_t length = wcslen(name);
    if (argument.size() < length
        || CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, argument.c_str(), static_cast<int>(length), name,
                          static_cast<int>(length))
               != CSTR_EQUAL)
        return false;
    value = argument.substr(length);
    return true;
}

// "C:\..." or "\\server\share\...": a path that names the same folder
// wherever the installer runs.
bool IsAbsoluteWindowsPath(const std::wstring& path)
{
    if (path.size() >= 3 && iswalpha(path[0]) && path[1] == L':' && path[2] == L'\\')
        return true;
    if (path.compare(0, 2, L"\\\\") != 0)
        return false;
    size_t share = path.find(L'\\', 2);
    return share != std::wstring::npos && share > 2 && share + 1 < path.size() && path[share + 1] != L'\\';
}

// The options, or a text that says what is wrong with them.
bool ReadOptions(int argc, wchar_t** argv, Options& options, std::wstring& error)
{
    int packageArguments = 0;
    for (int i = 1; i < argc; ++i) {
        std::wstring argument = argv[i];
        std::wstring value;
        if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
            options.help = true;
        } else if (argument == L"--json") {
            options.json = true;
        } else if (argument == L"--force") {
            options.force = true;
        } else if (TakeOption(argument, L"--build=", value) && !value.empty()) {
            options.buildOutput = value;
        } else if (TakeOption(argument, L"/Stub:", value) && !value.empty()) {
            options.stub = value;
        } else if (TakeOption(argument, L"/Installer:", value) && !value.empty()) {
            options.installer = value;
        } else if (TakeOption(argument, L"--xml-error=", value)) {
            ParsePosition position;
            if (!ParseParsePosition(value, position)) {
                error = L"--xml-error takes <file>:<line>:<column>:<reason>: " + value;
                return false;
            }
            options.otherParser.push_back(position);
        } else if (TakeOption(argument, L"/InstallFolder:", value)) {
            if (!IsAbsoluteWindowsPath(value)) {
                error = L"/InstallFolder: must be an absolute Windows path such as C:\\Tavrel!, not \"" + value + L"\"";
                return false;
            }
            options.installFolder = value;
        } else if (TakeOption(argument, L"/AppData:", value)) {
            if (!IsAbsoluteWindowsPath(value)) {
                error = L"/AppData: must be an absolute Windows path such as C:\\Users\\me\\AppData\\Roaming, not \""
                        + value + L"\"";
                return false;
            }
            options.appData = value;
        } else if (TakeOption(argument, L"/Program:", value)) {
            if (!IsPlainName(value)) {
                error = L"/Program: takes the installer's file name, not \"" + value + L"\"";
                return false;
            }
            options.program = value;
        } else if (argument.size() > 1 && argument[0] == L'-') {
            error = L"unknown option " + argument;
            return false;
        } else {
            options.package = argument;
            ++packageArguments;
        }
    }
    if (options.help)
        return true;
    if (packageArguments != 1 || options.package.empty()) {
        error = L"name one package folder";
        return false;
    }
    RemoveOneTrailingBackslash(options.installFolder);
    RemoveOneTrailingBackslash(options.appData);
    return true;
}

// The path made full; false when Windows cannot make it so.
bool FullPath(const std::wstring& path, std::wstring& full)
{
    DWORD size = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (size == 0)
        return false;
    full.assign(size, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0 || length >= size)
        return false;
    full.resize(length);
    return true;
}

// The folder as a full path without a trailing backslash; false when it
// cannot be listed.
bool OpenPackageFolder(const std::wstring& argument, std::wstring& folder)
{
    std::wstring full;
    if (!FullPath(argument, full))
        return false;
    RemoveOneTrailingBackslash(full);
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((ExtendedLengthPath(full) + L"\\*").c_str(), &data));
    if (!find.valid())
        return false;
    folder = full;
    return true;
}

// The image folder where the user's machine unpacks the package and copies
// it from; empty when the definition names no unpack folder.
std::wstring UnpackedImageFolder(const PackageDefinition& definition, bool loaded, const std::wstring& appData)
{
    std::wstring unpackFolder;
    if (!loaded || !NormalizeUnpackFolder(definition.unpackFolder, unpackFolder))
        return std::wstring();
    return appData + L"\\" + unpackFolder + L"\\image";
}

std::wstring PathLength(const std::wstring& what, const std::wstring& path)
{
    long spare = static_cast<long>(MAX_PATH - 1) - static_cast<long>(path.size());
    return what + L": " + std::to_wstring(path.size()) + L" characters ("
           + (spare >= 0 ? std::to_wstring(spare) + L" to spare" : std::to_wstring(-spare) + L" too many")
           + L"): " + path;
}

void PrintSummary(const std::wstring& definitionName, const std::wstring& encoding, const ImageSummary& summary)
{
    if (!encoding.empty())
        PrintLine(L"definition: " + definitionName + L", " + encoding);
    PrintLine(L"files: " + std::to_wstring(summary.files) + L", folders: " + std::to_wstring(summary.folders)
              + L", total size: " + std::to_wstring(summary.totalSize) + L" bytes");
    if (!summary.longestTarget.empty())
        PrintLine(PathLength(L"longest target path", summary.longestTarget));
    if (!summary.longestSource.empty())
        PrintLine(PathLength(L"longest source path", summary.longestSource));
}

// A file beside the running packcheck.exe; false when its folder does not
// fit in MAX_PATH, rather than a file of that name found elsewhere.
bool BesideProgram(const wchar_t* name, std::wstring& path)
{
    std::wstring folder;
    if (!GetProgramFolder(folder))
        return false;
    // A drive root keeps its backslash.
    path = folder.back() == L'\\' ? folder + name : folder + L'\\' + name;
    return true;
}

// How a build ended, as a line of text or, for scripts, as a JSON object
// after the findings: {"build": "built", "output": ...}, or "refused" or
// "failed" with a message.
int ReportBuild(bool json, int exitCode, const std::wstring& text)
{
    if (!json)
        PrintLine(exitCode == kExitPasses ? L"built: " + text : L"not built: " + text);
    else if (exitCode == kExitPasses)
        PrintLine(L"{\"build\": \"built\", \"output\": " + JsonString(text) + L"}");
    else
        PrintLine(std::wstring(L"{\"build\": ") + (exitCode == kExitProblems ? L"\"refused\"" : L"\"failed\"")
                  + L", \"message\": " + JsonString(text) + L"}");
    return exitCode;
}

// Builds the checked package into one self-extracting file; the exit code.
int BuildPackage(const Options& options, const std::wstring& packageFolder, const std::wstring& definitionName,
                 bool passes)
{
    if (!passes && !options.force)
        return ReportBuild(options.json, kExitProblems, L"the package has problems (--force builds it anyway)");
    if (definitionName.empty())
        return ReportBuild(options.json, kExitProblems, L"the package has no definition");
    SelfExtractorInput input;
    input.packageFolder = packageFolder;
    input.definitionName = definitionName;
    std::wstring stub = options.stub;
    std::wstring installer = options.installer;
    if ((stub.empty() && !BesideProgram(L"packsfx.exe", stub))
        || (installer.empty() && !BesideProgram(L"packsetup.exe", installer)))
        return ReportBuild(options.json, kExitUnreadable, L"the folder of packcheck.exe does not fit in 259 characters");
    std::wstring output;
    if (!FullPath(stub, input.stubPath) || !FullPath(installer, input.installerPath)
        || !FullPath(options.buildOutput, output))
        return ReportBuild(options.json, kExitUnreadable,
                           L"the stub, the installer or the output cannot be named by a full path");
    std::wstring error;
    if (!BuildSelfExtractor(input, output, error))
        return ReportBuild(options.json, kExitUnreadable, error);
    return ReportBuild(options.json, kExitPasses, output);
}

std::wstring Counted(size_t count, const wchar_t* what)
{
    return std::to_wstring(count) + L" " + what + L"(s)";
}

// The findings as text: the problems, then the warnings, the summary and a
// closing count.
void PrintFindings(const ProblemList& problems, const std::wstring& definitionName, const std::wstring& encoding,
                   const ImageSummary& summary)
{
    for (const Finding& finding : problems.Findings()) {
        if (finding.severity == Severity::Problem)
            PrintLine(FindingLine(finding));
    }
    for (const Finding& finding : problems.Findings()) {
        if (finding.severity == Severity::Warning)
            PrintLine(L"warning: " + FindingLine(finding));
    }
    PrintSummary(definitionName, encoding, summary);
    size_t warnings = problems.Count(Severity::Warning);
    std::wstring warned = warnings > 0 ? L", " + Counted(warnings, L"warning") : std::wstring();
    if (problems.Empty())
        PrintLine(L"no problems: the package would install" + warned);
    else
        PrintLine(Counted(problems.Count(Severity::Problem), L"problem") + warned);
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // Lines end in a bare line feed, as the shell scripts that read them expect.
    _setmode(_fileno(stdout), _O_BINARY);
    Options options;
    std::wstring error;
    if (!ReadOptions(argc, argv, options, error)) {
        PrintLine(L"packcheck: " + error);
        PrintLine(kUsage);
        return kExitUnreadable;
    }
    if (options.help) {
        PrintLine(kUsage);
        return kExitPasses;
    }
    std::wstring packageFolder;
    if (!OpenPackageFolder(options.package, packageFolder)) {
        PrintLine(options.package + L": cannot be read");
        return kExitUnreadable;
    }

    ScopedComApartment com;
    ProblemList problems;
    PackageDefinition definition;
    std::wstring definitionName;
    std::wstring encoding;
    bool loaded = false;
    if (ChooseDefinitionFile(packageFolder, options.program, definitionName, problems)) {
        loaded = CheckDefinition(packageFolder, definitionName, options.otherParser, definition, encoding, problems);
        if (loaded)
            CheckRemovals(definition, definitionName, problems);
    }
    ImageSummary summary = CheckImage(packageFolder, options.installFolder,
                                      UnpackedImageFolder(definition, loaded, options.appData), problems);
    CheckPrerequisites(packageFolder, problems);

    if (options.json) {
        for (const Finding& finding : problems.Findings())
            PrintLine(FindingJson(finding));
    } else {
        PrintFindings(problems, definitionName, encoding, summary);
    }
    if (!options.buildOutput.empty())
        return BuildPackage(options, packageFolder, definitionName, problems.Empty());
    return problems.Empty() ? kExitPasses : kExitProblems;
}
