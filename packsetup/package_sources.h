#pragma once

#include <string>

class FolderScanner;
struct OpenedEntry;

// The package folder belongs to the user, who can change it while the
// elevated core copies from it. Every source is therefore opened level by
// level from the package folder without following links, and copied from
// that handle. A hard link may share its data with a file that only
// administrators may read, so a file with more than one name is never taken.

// Whether an entry opened without following links is a file the copy may
// read: not a link, not a folder, and a file with a single name.
bool IsPlainPackageFile(const OpenedEntry& entry);

// Whether every entry that the scan listed is what it seemed: a folder that
// is not a link, or a plain package file, each opened as the copy will open
// it. False when any of them is not, or has gone, or cannot be opened.
bool CheckPackageSources(const FolderScanner& package);
