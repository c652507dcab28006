#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// What the uninstall worker removes. Only full paths that fit in MAX_PATH
// are taken: a longer one is skipped rather than cut to another path, and a
// relative one would resolve against whatever the current folder is.
class UninstallWorkLists {
public:
    // Files in the order added; a path added twice is listed twice.
    void AddFile(const std::wstring& path);
    // Folders without one trailing backslash (a drive root keeps it), each
    // listed once (exact, case-sensitive comparison).
    void AddFolder(const std::wstring& path);

    const std::vector<std::wstring>& Files() const { return files_; }
    const std::vector<std::wstring>& Folders() const { return folders_; }

    // The folders in descending ordinal order (UTF-16 code units as unsigned
    // numbers), so every folder comes after all the folders inside it.
    std::vector<std::wstring> FoldersDeepestFirst() const;

private:
    std::vector<std::wstring> files_;
    std::vector<std::wstring> folders_;
    std::unordered_set<std::wstring> folderSet_;
};

// Deletes every listed file in list order (DeleteFileWithRetry); failures are
// left in place.
void DeleteListedFiles(const UninstallWorkLists& lists);

// Removes the listed folders deepest first (RemoveEmptyFolder): one that
// still holds anything stays, with the folders above it. A junction or
// symbolic link goes as the link; its target is never touched.
void RemoveListedFolders(const UninstallWorkLists& lists);
