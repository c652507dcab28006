#include "packcheck/definition_name.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "common/win/scoped_find_handle.h"
#include "packcheck/long_paths.h"

namespace {

const wchar_t kDefaultDefinition[] = L"packsetup.def";

// The names of the files at the top of the folder that match the pattern.
std::vector<std::wstring> FilesMatching(const std::wstring& folder, const wchar_t* pattern)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    ScopedFindHandle find(FindFirstFileW((ExtendedLengthPath(folder) + L"\\" + pattern).c_str(), &data));
    if (!find.valid())
        return names;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin(), names.end());
    return names;
}

// As PathRenameExtensionW does: the extension after the last dot, if any,
// becomes ".def".
std::wstring DefinitionOf(const std::wstring& program)
{
    size_t dot = program.find_last_of(L'.');
    return (dot == std::wstring::npos ? program : program.substr(0, dot)) + L".def";
}

} // namespace

bool ChooseDefinitionFile(const std::wstring& packageFolder, const std::wstring& program, std::wstring& definitionName,
                          ProblemList& problems)
{
    if (!program.empty()) {
        definitionName = DefinitionOf(program);
        return true;
    }
    std::vector<std::wstring> programs = FilesMatching(packageFolder, L"*.exe");
    if (programs.size() == 1) {
        definitionName = DefinitionOf(programs.front());
        return true;
    }
    if (programs.size() > 1) {
        std::wstring names;
        for (const std::wstring& name : programs)
            names += (names.empty() ? L"" : L", ") + name;
        problems.Problem(L"several-programs", L".", std::wstring(),
                         L"holds several programs (" + names
                             + L"); each reads its own definition: name the installer with /Program:<name>.exe");
        return false;
    }
    std::vector<std::wstring> definitions = FilesMatching(packageFolder, L"*.def");
    definitionName = definitions.size() == 1 ? definitions.front() : std::wstring(kDefaultDefinition);
    return true;
}
