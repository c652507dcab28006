#pragma once

#include <string>
#include <vector>

class InstalledFolderList;

enum class ManifestUpdate {
    Updated,         // the copied files and folders were merged and saved
    RootMissing,     // no TavrelUninstall root: saved again unchanged, nothing added
    NotLoaded,       // missing, unreadable or not XML (or its path does not fit): left as it was
    SaveFailed,      // could not be written: the old file is kept byte for byte
};

// File name of the uninstall manifest in the installation folder.
extern const wchar_t kUninstallManifestName[];

// Merges the files and folders of the lists into tavrelunsetup.dat of the
// installation folder (with or without a trailing backslash): the lists'
// entries first, the manifest's own path after the files, then the earlier
// entries that the lists lack (ASCII case ignored), each without one trailing
// backslash. The lists gain what the manifest adds. Every other child of the
// root stays; only the first Components is replaced. Never creates the file.
ManifestUpdate MergeUninstallManifest(const std::wstring& installFolder, std::vector<std::wstring>& files,
                                      InstalledFolderList& folders);

// The same for the process's installedFiles and installedFolders. The
// install sequence goes on whatever the result.
ManifestUpdate UpdateUninstallManifest(const std::wstring& installFolder);

// Seconds of the last update that loaded the earlier manifest: the DOM's
// load of it, and the whole update from start to the file written.
struct ManifestUpdateTimes {
    double earlierLoad = -1;
    double whole = -1;
};
// The benchmark's view into the update; null (the default) records nothing.
void SetManifestUpdateTimesForTesting(ManifestUpdateTimes* times);
