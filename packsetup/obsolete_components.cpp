#include "packsetup/obsolete_components.h"

#include "packsetup/deepest_first.h"
#include "packsetup/file_removal.h"
#include "packsetup/open_without_links.h"
#include "packsetup/own_files_in_folder.h"
#include "packsetup/program_own_files.h"
#include "packsetup/removable_component.h"

namespace {

// Whether a removal entry is one of the program's or the uninstaller's own
// files: by its name at the top level, however spelled, and by the entry
// it opens, however reached (an 8.3 alias). What cannot be told is kept.
bool ReachesOwnFile(LinkFreeFolders& folders, const std::wstring& path, const std::wstring& entry,
                    const OwnFilesInFolder& own)
{
    if (NamesProgramOwnFileAtTop(entry))
        return true;
    OpenedEntry opened;
    switch (folders.Open(path, 0, opened)) {
    case EntryOpening::Opened:
        return !own.Known() || own.Holds(opened.handle.get());
    case EntryOpening::Missing:
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
    // One walk for the whole list: the check and the delete of an entry each
    // cost one open relative to its folder, which is already open.
    LinkFreeFolders walk;
    for (const std::wstring& file : files) {
        std::wstring path = installFolder + L"\\" + file;
        if (IsRemovableComponentPath(file) && !ReachesOwnFile(walk, path, file, own))
            DeleteFileWithRetry(path, walk);
    }
    SortDeepestFirst(folders);
    for (const std::wstring& folder : folders) {
        if (IsRemovableComponentPath(folder))
            RemoveEmptyFolder(installFolder + L"\\" + folder);
    }
}
