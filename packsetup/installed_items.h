#pragma once

#include <string>
#include <unordered_set>
#include <vector>

// Folders put in place by the copy, in recording order, each spelling once
// (exact, case-sensitive comparison). The set beside the list keeps the
// duplicate check constant-time.
class InstalledFolderList {
public:
    // Appends the path unless the same spelling is listed; true when appended.
    bool Add(const std::wstring& path);
    void Clear();

    const std::vector<std::wstring>& Paths() const { return paths_; }

private:
    std::vector<std::wstring> paths_;
    std::unordered_set<std::wstring> known_;
};

// Adds a folder to the process's installedFolders, without one trailing
// backslash (a drive root keeps it).
void RecordInstalledFolder(const std::wstring& path);
