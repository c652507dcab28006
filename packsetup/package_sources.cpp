#include "packsetup/package_sources.h"

#include "packsetup/folder_scanner.h"
#include "packsetup/open_without_links.h"

bool IsPlainPackageFile(const OpenedEntry& entry)
{
    return !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY) && HasSingleName(entry);
}

bool CheckPackageSources(const FolderScanner& package)
{
    // One walk for the whole listing: each entry costs one open relative to
    // its folder, which is already open.
    LinkFreeFolders folders;
    for (const FolderScanEntry& listed : package.Entries()) {
        OpenedEntry entry;
        // No access to the data: a file that another program holds without
        // sharing is still checked here, and retried by the copy.
        if (folders.Open(listed.fullPath, 0, entry) != EntryOpening::Opened)
            return false;
        bool folder = (listed.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        bool plainFolder = !entry.isLink && (entry.attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (folder ? !plainFolder : !IsPlainPackageFile(entry))
            return false;
    }
    return true;
}
