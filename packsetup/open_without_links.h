#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/scoped_handle.h"

// How an entry named by a full path was reached.
enum class EntryOpening {
    Opened,   // the entry itself is open (a link as the link, never its target)
    Missing,  // the entry or a folder above it does not exist, or the path is empty
    Refused,  // the path is not a plain full path, a folder on the way is a junction or link, or the
              // entry lies outside the bounds that the opening is kept within
    Failed,   // the entry exists but could not be opened (in use, access denied)
};

struct OpenedEntry {
    ScopedHandle handle;
    DWORD attributes = 0;
    bool isLink = false;  // a junction or symbolic link, opened as itself
};

// Opens the file or folder at a full path (X:\... or \\server\share\...) one
// level at a time, each level relative to the handle of the folder above,
// and never through a junction or symbolic link: a folder swapped for a link
// after a scan leads nowhere else, and the open handle holds the very entry
// that was checked. Where the system would open a link's target rather than
// the link (the handle and the name disagree), the entry is refused.
EntryOpening OpenEntryWithoutLinks(const std::wstring& path, ACCESS_MASK access, OpenedEntry& entry);

// Opens the folder "name" inside an open folder (parentPath is that folder's
// full path, for the same check against links), creating it when missing:
// one level, relative to the handle, never through a link. A junction or
// symbolic link by that name is Refused, a file by it Missing; created says
// whether this call made the folder. When the system refused, the last error
// says why (a full disk, for one).
EntryOpening OpenOrCreateFolderIn(HANDLE parent, const std::wstring& parentPath, const std::wstring& name,
                                  ACCESS_MASK access, OpenedEntry& folder, bool& created);

class FolderBounds;

// The same opening for a run of entries, keeping the folders opened for the
// last one: a manifest lists a folder's files together, so the next entry
// mostly costs one open relative to its already open folder.
// Reusing a held folder is as safe as walking down again: the handle is the
// folder object that was checked when it was opened, not its name, so a
// folder above renamed or swapped for a link later cannot redirect an open
// through it. A folder with an open handle is removed only when its last
// handle closes, so every held folder at or below the depth of the entry
// being opened is let go of first.
class LinkFreeFolders {
public:
    LinkFreeFolders() = default;
    LinkFreeFolders(const LinkFreeFolders&) = delete;
    LinkFreeFolders& operator=(const LinkFreeFolders&) = delete;

    EntryOpening Open(const std::wstring& path, ACCESS_MASK access, OpenedEntry& entry);
    void Release();

    // From now on Open reaches only what lies within the bounds: an entry
    // with the top of one of their trees among the levels on its way, or the
    // top or a single folder of the bounds itself; anything else is Refused.
    // Decided on the levels as they are opened, never on the path's spelling.
    // The bounds must outlive the openings.
    void KeepWithin(const FolderBounds& bounds);

private:
    void KeepLevels(size_t count);

    std::wstring root_;
    ScopedHandle rootFolder_;
    // folders_[i] is the folder names_[i] inside folders_[i - 1] (or the root).
    std::vector<std::wstring> names_;
    std::vector<ScopedHandle> folders_;
    const FolderBounds* bounds_ = nullptr;
    // Whether the root, and folders_[i], is at or below the top of a tree.
    bool rootWithin_ = false;
    std::vector<bool> within_;
};

// Folders that a run of openings can be kept within: whole trees, and single
// folders without what lies inside them. Each is opened once without links
// and known by its volume and file index, not by its name, so that 8.3
// aliases, letter case and trailing dots or blanks neither widen nor narrow
// the bounds. No handle is kept: a held folder could not be removed while
// the run goes on.
class FolderBounds {
public:
    // False, with the bounds unchanged, when the folder cannot be opened, is
    // not a folder or is a junction or link.
    bool AddTree(const std::wstring& folder);
    bool AddFolder(const std::wstring& folder);

    bool IsTreeTop(HANDLE folder) const;
    // The top of a tree or a single folder.
    bool Holds(HANDLE entry) const;

private:
    struct Identity {
        DWORD volume;
        DWORD indexHigh;
        DWORD indexLow;
    };
    static bool Add(const std::wstring& folder, std::vector<Identity>& list);
    static bool IsListed(HANDLE entry, const std::vector<Identity>& list);

    std::vector<Identity> trees_;
    std::vector<Identity> folders_;
};

// Through an open handle, never the path: attributes set to normal (read-only,
// hidden and system cleared), the delete disposition, and whether a folder
// holds anything.
bool ResetAttributes(HANDLE entry);
bool MarkForDeletion(HANDLE entry);
bool IsFolderEmpty(HANDLE folder);

// How many names the open file has. A file with more than one is a hard link
// that may share its data and attributes with a file elsewhere, which is
// never ours to change through this name. False when it cannot be told.
bool CountLinks(HANDLE entry, DWORD& links);

// Whether the opened entry is no junction or symbolic link and has exactly
// one name; false when that cannot be told.
bool HasSingleName(const OpenedEntry& entry);

// Whether two open handles hold the same file or folder, by volume and file
// index: however either was spelled (8.3 alias, letter case, trailing dots)
// or reached. False when either cannot be read.
bool IsSameEntry(HANDLE first, HANDLE second);
