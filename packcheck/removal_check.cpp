#include "packcheck/removal_check.h"

#include <windows.h>

#include "common/win/file_names.h"
#include "packsetup/program_own_files.h"
#include "packsetup/removable_component.h"
#include "packsetup/unpack_folder_name.h"

namespace {

const wchar_t kMakerKey[] = L"Software\\Halvest\\";
const wchar_t kMakerFolder[] = L"Halvest\\";

void CheckEntries(const std::vector<std::wstring>& entries, const std::wstring& element, const std::wstring& fileName,
                  ProblemList& problems)
{
    for (const std::wstring& entry : entries) {
        if (!IsRemovableComponentPath(entry))
            problems.Problem(L"removal-skipped", fileName, element,
                             L"\"" + entry + L"\" is not a plain relative path; the installer skips it");
        else if (NamesProgramOwnFileAtTop(entry))
            problems.Problem(L"removes-own-file", fileName, element,
                             L"\"" + entry
                                 + L"\" names a file of Tavrel! or its uninstaller; removing it would break the installation");
    }
}

} // namespace

void CheckRemovals(const PackageDefinition& definition, const std::wstring& fileName, ProblemList& problems)
{
    CheckEntries(definition.removeFiles, L"RemoveComponents/File", fileName, problems);
    CheckEntries(definition.removeDirectories, L"RemoveComponents/Directory", fileName, problems);

    std::wstring extractPath = definition.unpackFolder.substr(wcslen(kMakerFolder));
    std::wstring normalized;
    if (!NormalizeExtractPath(extractPath, normalized)) {
        problems.Problem(L"unpack-folder-kept", fileName, L"SfxExtractPath",
                         L"\"" + extractPath + L"\" is not a plain folder name; the installer never deletes it");
        return;
    }
    // The installer deletes the unpack folder with everything in it: the
    // product's own data must not lie there.
    size_t separator = normalized.find(L'\\');
    std::wstring firstLevel = normalized.substr(0, separator);
    std::wstring baseRegKey = definition.productRegistryKey.substr(wcslen(kMakerKey));
    if (!SameFileName(firstLevel, baseRegKey) && !SameFileName(firstLevel, L"Tavrel!"))
        return;
    std::wstring deleted = L"%APPDATA%\\" + std::wstring(kMakerFolder) + normalized;
    if (separator == std::wstring::npos)
        problems.Problem(L"unpack-folder-is-data", fileName, L"SfxExtractPath",
                         L"\"" + extractPath + L"\" is the product's data folder; the installer would delete "
                             + deleted + L" with the user's settings");
    else
        problems.Problem(L"unpack-folder-in-data", fileName, L"SfxExtractPath",
                         L"\"" + extractPath + L"\" lies in the product's data folder " + L"%APPDATA%\\"
                             + kMakerFolder + firstLevel + L"; the installer would delete " + deleted
                             + L" with everything in it");
}
