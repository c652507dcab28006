#include "packsetup/installed_items.h"

#include "packsetup/installer_state.h"
#include "packsetup/package_paths.h"

bool InstalledFolderList::Add(const std::wstring& path)
{
    if (!known_.insert(path).second)
        return false;
    paths_.push_back(path);
    return true;
}

void InstalledFolderList::Clear()
{
    paths_.clear();
    known_.clear();
}

void RecordInstalledFolder(const std::wstring& path)
{
    std::wstring folder(path);
    RemoveOneTrailingBackslash(folder);
    Installer().installedFolders.Add(folder);
}
