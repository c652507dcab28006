#pragma once

#include <string>
#include <unordered_map>
#include <vector>

class FolderBounds;

// What the uninstall worker removes. Only full paths that fit in MAX_PATH
// are taken: a longer one is skipped rather than cut to another path, and a
// relative one would resolve against whatever the current folder is.
class UninstallWorkLists {
public:
    // Where an entry comes from: the product's fixed places, or the uninstall
    // manifest, whose entries a removal may have to keep within bounds.
    enum class Origin { Fixed, Manifest };

    // Files in the order added; a path added twice is listed twice.
    void AddFile(const std::wstring& path, Origin origin = Origin::Fixed);
    // Folders without one trailing backslash (a drive root keeps it), each
    // listed once (exact, case-sensitive comparison); a folder that is also
    // a fixed place counts as one.
    void AddFolder(const std::wstring& path, Origin origin = Origin::Fixed);

    const std::vector<std::wstring>& Files() const { return files_; }
    const std::vector<std::wstring>& Folders() const { return folders_; }
    Origin FileOrigin(size_t index) const { return fileOrigins_[index]; }
    Origin FolderOrigin(const std::wstring& folder) const;

    // The folders in descending ordinal order (UTF-16 code units as unsigned
    // numbers), so every folder comes after all the folders inside it.
    std::vector<std::wstring> FoldersDeepestFirst() const;

private:
    std::vector<std::wstring> files_;
    std::vector<Origin> fileOrigins_;
    std::vector<std::wstring> folders_;
    std::unordered_map<std::wstring, Origin> folderOrigins_;
};

// Deletes every listed file in list order (DeleteFileWithRetry); failures are
// left in place. With bounds, an entry of the manifest outside them is left
// in place too, untouched.
void DeleteListedFiles(const UninstallWorkLists& lists, const FolderBounds* manifestBounds = nullptr);

// Removes the listed folders deepest first (RemoveEmptyFolder): one that
// still holds anything stays, with the folders above it. A junction or
// symbolic link goes as the link; its target is never touched. With bounds,
// an entry of the manifest outside them stays.
void RemoveListedFolders(const UninstallWorkLists& lists, const FolderBounds* manifestBounds = nullptr);
