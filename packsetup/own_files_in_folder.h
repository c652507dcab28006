#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "common/win/scoped_handle.h"

class FolderScanner;

// How an entry is opened to learn which file it is.
enum class EntryReach {
    ThroughLinks,  // as a plain open by path reaches it: where a copy by path writes
    WithoutLinks,  // as itself, level by level: what a link-free delete removes
};

// The program's or the uninstaller's own files (program_own_files.h) that an
// installation folder holds, kept open, so that whether another path reaches
// one of them is decided by the entry it opens: an 8.3 alias, another letter
// case or trailing dots name the same file.
class OwnFilesInFolder {
public:
    OwnFilesInFolder(const std::wstring& installFolder, const std::vector<std::wstring>& names, EntryReach reach);
    OwnFilesInFolder(const OwnFilesInFolder&) = delete;
    OwnFilesInFolder& operator=(const OwnFilesInFolder&) = delete;

    // False when one of them exists but could not be opened: then no entry
    // can be told apart from it.
    bool Known() const { return known_; }
    // Whether the open entry is one of them.
    bool Holds(HANDLE entry) const;

private:
    std::vector<ScopedHandle> files_;
    bool known_ = true;
};

enum class IdentityOpening { Opened, Missing, Unknown };

// Opens a full path with no access to its data, only to compare it.
IdentityOpening OpenForIdentity(const std::wstring& path, EntryReach reach, ScopedHandle& entry);

// Whether copying the package would replace one of the uninstaller's own
// files of the installation folder (given without a trailing backslash): a
// top-level entry of one of their names in any spelling, or one whose target
// is one of them by identity. The manifest decides what the next elevated
// uninstall deletes, so that is never a package's to change. Also true when
// it cannot be told.
bool PackageReplacesUninstallerFiles(const FolderScanner& package, const std::wstring& installFolder);
