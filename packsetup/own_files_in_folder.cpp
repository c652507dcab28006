#include "packsetup/own_files_in_folder.h"

#include "packsetup/folder_scanner.h"
#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/program_own_files.h"

OwnFilesInFolder::OwnFilesInFolder(const std::wstring& installFolder, const std::vector<std::wstring>& names,
                                   EntryReach reach)
{
    for (const std::wstring& name : names) {
        ScopedHandle file;
        IdentityOpening opening = OpenForIdentity(installFolder + L"\\" + name, reach, file);
        if (opening == IdentityOpening::Opened)
            files_.push_back(std::move(file));
        else if (opening == IdentityOpening::Unknown)
            known_ = false;
    }
}

bool OwnFilesInFolder::Holds(HANDLE entry) const
{
    for (const ScopedHandle& file : files_) {
        if (IsSameEntry(entry, file.get()))
            return true;
    }
    return false;
}

IdentityOpening OpenForIdentity(const std::wstring& path, EntryReach reach, ScopedHandle& entry)
{
    if (reach == EntryReach::WithoutLinks) {
        OpenedEntry opened;
        switch (OpenEntryWithoutLinks(path, 0, opened)) {
        case EntryOpening::Opened:
            entry = std::move(opened.handle);
            return IdentityOpening::Opened;
        case EntryOpening::Missing:
            return IdentityOpening::Missing;
        default:
            return IdentityOpening::Unknown;
        }
    }
    // A path too long to be acted on is never copied to either.
    if (!FitsMaxPath(path))
        return IdentityOpening::Missing;
    entry.Reset(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                            FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (entry)
        return IdentityOpening::Opened;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? IdentityOpening::Missing
                                                                           : IdentityOpening::Unknown;
}

bool PackageReplacesUninstallerFiles(const FolderScanner& package, const std::wstring& installFolder)
{
    // The copy writes its targets by path, so they are compared as a plain
    // open reaches them.
    OwnFilesInFolder own(installFolder, UninstallerOwnFileNames(), EntryReach::ThroughLinks);
    for (const FolderScanEntry& entry : package.Entries()) {
        // Only the top level of the package lands beside these files.
        if (entry.relativePath.find(L'\\', 1) != std::wstring::npos)
            continue;
        if (IsUninstallerOwnFileName(entry.findData.cFileName))
            return true;
        ScopedHandle target;
        switch (OpenForIdentity(installFolder + entry.relativePath, EntryReach::ThroughLinks, target)) {
        case IdentityOpening::Opened:
            if (!own.Known() || own.Holds(target.get()))
                return true;
            break;
        case IdentityOpening::Missing:
            break;
        case IdentityOpening::Unknown:
            return true;
        }
    }
    return false;
}
