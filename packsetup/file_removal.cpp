#include "packsetup/file_removal.h"

#include <windows.h>

#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/retry_wait.h"

namespace {

const int kRemovalAttempts = 5;
const DWORD kRemovalPause = 100;

enum class Removal { Done, Failed, Refused };

// An attempt that ends at the opening: what is missing is as good as removed.
Removal UnopenedResult(EntryOpening opening)
{
    if (opening == EntryOpening::Missing)
        return Removal::Done;
    return opening == EntryOpening::Refused ? Removal::Refused : Removal::Failed;
}

// One attempt on a file: opened without following any link, its attributes
// reset through the handle when they are its own, then deleted through the
// same handle. A read-only file with other names therefore stays.
Removal DeleteFileAttempt(LinkFreeFolders& folders, const std::wstring& path, bool resetAttributes)
{
    OpenedEntry file;
    EntryOpening opening = folders.Open(path, DELETE | FILE_WRITE_ATTRIBUTES, file);
    if (opening != EntryOpening::Opened)
        return UnopenedResult(opening);
    if ((file.attributes & FILE_ATTRIBUTE_DIRECTORY) && !file.isLink)
        return Removal::Failed;
    // Attributes belong to the file, not to the name it was opened by: a
    // hard link shares them with every other name of the file, which may be
    // a protected file elsewhere. A link's are left alone too: on some
    // systems setting them would reach its target. Unknown counts as shared.
    if (resetAttributes && HasSingleName(file))
        ResetAttributes(file.handle.get());
    return MarkForDeletion(file.handle.get()) ? Removal::Done : Removal::Failed;
}

// One attempt on a folder; one that is missing, not a folder or not empty
// counts as done and stays as it is. A link is removed as the link.
Removal RemoveFolderAttempt(LinkFreeFolders& folders, const std::wstring& path)
{
    OpenedEntry folder;
    EntryOpening opening = folders.Open(path, DELETE | FILE_WRITE_ATTRIBUTES | FILE_LIST_DIRECTORY, folder);
    if (opening != EntryOpening::Opened)
        return UnopenedResult(opening);
    if (!(folder.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return Removal::Done;
    if (!folder.isLink) {
        if (!IsFolderEmpty(folder.handle.get()))
            return Removal::Done;
        ResetAttributes(folder.handle.get());
    }
    return MarkForDeletion(folder.handle.get()) ? Removal::Done : Removal::Failed;
}

// A refused path is not a passing fault: it ends the attempts at once.
template <typename Attempt>
bool RemoveWithRetry(Attempt attempt)
{
    for (int tried = 1; tried <= kRemovalAttempts; ++tried) {
        Removal result = attempt();
        if (result != Removal::Failed)
            return result == Removal::Done;
        if (tried < kRemovalAttempts)
            RetryWait(kRemovalPause);
    }
    return false;
}

} // namespace

bool DeleteFileWithRetry(const std::wstring& path)
{
    LinkFreeFolders folders;
    return DeleteFileWithRetry(path, folders);
}

bool DeleteFileWithRetry(const std::wstring& path, LinkFreeFolders& folders)
{
    // An over-long path cannot be reached here; it is not cut to another one.
    if (!FitsMaxPath(path))
        return false;
    return RemoveWithRetry([&] { return DeleteFileAttempt(folders, path, true); });
}

bool DeleteFileOnce(const std::wstring& path)
{
    LinkFreeFolders folders;
    return FitsMaxPath(path) && DeleteFileAttempt(folders, path, false) == Removal::Done;
}

bool RemoveEmptyFolder(const std::wstring& path)
{
    LinkFreeFolders folders;
    return RemoveEmptyFolder(path, folders);
}

bool RemoveEmptyFolder(const std::wstring& path, LinkFreeFolders& folders)
{
    if (!FitsMaxPath(path))
        return false;
    return RemoveWithRetry([&] { return RemoveFolderAttempt(folders, path); });
}
