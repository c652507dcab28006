#include "packsetup/obsolete_components.h"

#include "packsetup/deepest_first.h"
#include "packsetup/file_removal.h"
#include "packsetup/own_files_in_folder.h"
#include "packsetup/program_own_files.h"
#include "packsetup/removable_component.h"

namespace {

// Whether a removal entry is one of the program's or the uninstaller's own
// files: by its name at the top level, however spelled, and by the entry
// it opens, however reached (an 8.3 alias). What cannot be told is kept.
bool ReachesOwnFile(const std::wstring& installFolder, const std::wstring& entry, const OwnFilesInFolder& own)
{
    if (NamesProgramOwnFileAtTop(entry))
        return true;
    ScopedHandle opened;
    switch (OpenForIdentity(installFolder + L"\\" + entry, EntryReach::WithoutLinks, opened)) {
    case IdentityOpening::Opened:
        return !own.Known() || own.Holds(opened.get());
    case IdentityOpening::Missing:
        return false;
    default:
        return true;
    }
}

} // namespace

void RemoveObsoleteComponents(const std::wstring& installFolder, const std::vector<std::wstring>& files,
                              std::vector<std::wstring> folders)
{
    // Opened as the deletes open them: as themselves, without links.
    OwnFilesInFolder own(installFolder, ProgramOwnFileNames(), EntryReach::WithoutLinks);
    for (const std::wstring& file : files) {
        if (IsRemovableComponentPath(file) && !ReachesOwnFile(installFolder, file, own))
            DeleteFileWithRetry(installFolder + L"\\" + file);
    }
    SortDeepestFirst(folders);
    for (const std::wstring& folder : folders) {
        if (IsRemovableComponentPath(folder))
            RemoveEmptyFolder(installFolder + L"\\" + folder);
    }
}
