#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

struct FolderScanEntry {
    std::wstring fullPath;      // the scanned folder, a backslash, the name
    std::wstring relativePath;  // below the top folder, each level begun by a backslash
    WIN32_FIND_DATAW findData;  // as the directory enumeration returned it
};

// The list of a folder tree: a folder's own entry comes before the entries
// inside it. Junctions and symbolic links are listed but never entered.
class FolderScanner {
public:
    // The limit counts the terminator: MAX_PATH for the paths the installer
    // opens as they are; an author's tool that scans from a "\\?\" path may
    // allow the extended-length limit.
    explicit FolderScanner(size_t pathLimit = MAX_PATH) : pathLimit_(pathLimit) {}

    // Lists the folder (with or without a trailing backslash) and everything
    // below it, appending to what was listed before; each relative path
    // starts with the prefix. False when the folder itself cannot be listed.
    // An entry whose path would not fit in the limit is left out, and a
    // subfolder whose content cannot be listed keeps only its own entry, as
    // does a junction or symbolic link; all are kept in the lists below and
    // make Complete() false.
    bool Scan(const wchar_t* folder, const std::wstring& prefix);

    void Clear();

    // Sum of the low 32 bits of the sizes of the files listed.
    uint64_t TotalSize() const { return totalSize_; }
    const std::vector<FolderScanEntry>& Entries() const { return entries_; }

    // Whether everything below the scanned folders was listed.
    bool Complete() const { return overlongPaths_.empty() && unreadableFolders_.empty() && links_.empty(); }
    // Full paths left out because they do not fit in the limit.
    const std::vector<std::wstring>& OverlongPaths() const { return overlongPaths_; }
    // Listed subfolders whose content could not be listed.
    const std::vector<std::wstring>& UnreadableFolders() const { return unreadableFolders_; }
    // Listed junctions and symbolic links, whose targets were not listed.
    const std::vector<std::wstring>& Links() const { return links_; }

private:
    bool ScanFolder(const std::wstring& base, const std::wstring& prefix);
    bool Fits(const std::wstring& path) const { return path.size() < pathLimit_; }

    size_t pathLimit_;
    uint64_t totalSize_ = 0;
    std::vector<FolderScanEntry> entries_;
    std::vector<std::wstring> overlongPaths_;
    std::vector<std::wstring> unreadableFolders_;
    std::vector<std::wstring> links_;
};

// Test seam: called on every entry as the enumeration returned it, before the
// scanner looks at it, so that tests can present entries (junctions, for
// one) that the file system under test cannot make. Null, the default, does
// nothing.
typedef void (*FindDataHook)(WIN32_FIND_DATAW& data);
void SetFindDataHookForTesting(FindDataHook hook);
