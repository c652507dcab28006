#include "packcheck/removal_check.h"

#include <windows.h>

#include "packcheck/definition_check.h"
#include "packsetup/removable_component.h"
#include "packsetup/unpack_folder_name.h"

namespace {

const wchar_t kMakerKey[] = L"Software\\Halvest\\";
const wchar_t kMakerFolder[] = L"Halvest\\";

void CheckEntries(const std::vector<std::wstring>& entries, const std::wstring& element, ProblemList& problems)
{
    for (const std::wstring& entry : entries) {
        if (!IsRemovableComponentPath(entry))
            problems.Add(kDefinitionFileName, element,
                         L"\"" + entry + L"\" is not a plain relative path; the installer skips it");
    }
}

bool SameName(const std::wstring& a, const std::wstring& b)
{
    return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) == CSTR_EQUAL;
}

} // namespace

void CheckRemovals(const PackageDefinition& definition, ProblemList& problems)
{
    CheckEntries(definition.removeFiles, L"RemoveComponents/File", problems);
    CheckEntries(definition.removeDirectories, L"RemoveComponents/Directory", problems);

    std::wstring extractPath = definition.unpackFolder.substr(wcslen(kMakerFolder));
    std::wstring normalized;
    if (!NormalizeExtractPath(extractPath, normalized)) {
        problems.Add(kDefinitionFileName, L"SfxExtractPath",
                     L"\"" + extractPath + L"\" is not a plain folder name; the installer never deletes it");
        return;
    }
    // The installer deletes the unpack folder with everything in it: the
    // product's own data must not lie there.
    std::wstring firstLevel = normalized.substr(0, normalized.find(L'\\'));
    std::wstring baseRegKey = definition.productRegistryKey.substr(wcslen(kMakerKey));
    if (SameName(firstLevel, baseRegKey) || SameName(firstLevel, L"Tavrel!"))
        problems.Add(kDefinitionFileName, L"SfxExtractPath",
                     L"\"" + extractPath + L"\" names the product's own folder; the installer would delete it");
}
