#include "packsetup/folder_scanner.h"

#include "common/win/scoped_find_handle.h"

namespace {

FindDataHook findDataHook = nullptr;

bool IsDotEntry(const wchar_t* name)
{
    return (name[0] == L'.' && name[1] == L'\0') || (name[0] == L'.' && name[1] == L'.' && name[2] == L'\0');
}

bool IsDirectory(const WIN32_FIND_DATAW& data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool IsReparsePoint(const WIN32_FIND_DATAW& data)
{
    return (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// A folder reparse point is never entered; a file one counts when it names
// another file (a symbolic link), not when it only stores the data elsewhere.
bool IsLink(const WIN32_FIND_DATAW& data)
{
    const DWORD kNameSurrogate = 0x20000000;
    return IsReparsePoint(data) && (IsDirectory(data) || (data.dwReserved0 & kNameSurrogate) != 0);
}

} // namespace

void SetFindDataHookForTesting(FindDataHook hook)
{
    findDataHook = hook;
}

bool FolderScanner::Scan(const wchar_t* folder, const std::wstring& prefix)
{
    if (!folder)
        return false;
    std::wstring base(folder);
    if (!base.empty() && base.back() == L'\\')
        base.pop_back();
    return ScanFolder(base, prefix);
}

void FolderScanner::Clear()
{
    totalSize_ = 0;
    entries_.clear();
    overlongPaths_.clear();
    unreadableFolders_.clear();
    links_.clear();
}

bool FolderScanner::ScanFolder(const std::wstring& base, const std::wstring& prefix)
{
    if (!Fits(base))
        return false;
    std::wstring pattern = base + L"\\*.*";

    WIN32_FIND_DATAW data;
    ScopedFindHandle search(FindFirstFileW(pattern.c_str(), &data));
    if (!search.valid())
        return false;
    do {
        if (IsDotEntry(data.cFileName))
            continue;
        if (findDataHook)
            findDataHook(data);
        FolderScanEntry entry;
        entry.fullPath = base + L"\\" + data.cFileName;
        entry.relativePath = prefix + L"\\" + data.cFileName;
        if (!Fits(entry.fullPath) || !Fits(entry.relativePath)) {
            overlongPaths_.push_back(entry.fullPath);
            continue;
        }
        entry.findData = data;
        if (!IsDirectory(data))
            totalSize_ += data.nFileSizeLow;
        entries_.push_back(entry);
        if (IsLink(data))
            links_.push_back(entry.fullPath);
        // A junction or symbolic link may lead outside the tree or back into
        // it; its own entry is listed, its target is not walked.
        if (IsDirectory(data) && !IsReparsePoint(data)) {
            std::wstring fullPath = entries_.back().fullPath;
            std::wstring relativePath = entries_.back().relativePath;
            if (!ScanFolder(fullPath, relativePath))
                unreadableFolders_.push_back(fullPath);
        }
    } while (FindNextFileW(search.get(), &data));
    return true;
}
