#include "packsetup/unpack_folder.h"

#include <shlobj.h>

#include <vector>

#include "common/win/shell_folders.h"
#include "packsetup/deepest_first.h"
#include "packsetup/file_removal.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/installer_state.h"
#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/path_below_folder.h"
#include "packsetup/program_folder.h"
#include "packsetup/unpack_folder_name.h"

namespace {

bool IsPlainLevel(const std::wstring& level)
{
    return !level.empty() && level != L"." && level != L"..";
}

// The levels of a relative path, or false when one of them is not a plain name.
bool SplitPlainLevels(const std::wstring& relative, std::vector<std::wstring>& levels)
{
    if (relative.find_first_of(L":/") != std::wstring::npos)
        return false;
    size_t start = 0;
    for (;;) {
        size_t end = relative.find(L'\\', start);
        std::wstring level = relative.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        if (!IsPlainLevel(level))
            return false;
        levels.push_back(level);
        if (end == std::wstring::npos)
            return true;
        start = end + 1;
    }
}

bool IsLink(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Attributes of the entry itself; a link is not followed.
bool ReadOwnAttributes(const std::wstring& path, DWORD& attributes)
{
    attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES;
}

} // namespace

bool BuildUnpackPath(const std::wstring& appDataFolder, const std::wstring& unpackFolder, std::wstring& path)
{
    std::wstring normalized;
    if (appDataFolder.empty() || !NormalizeUnpackFolder(unpackFolder, normalized))
        return false;
    std::wstring built(appDataFolder);
    RemoveOneTrailingBackslash(built);
    if (built.back() != L'\\')
        built += L'\\';
    built += normalized;
    if (!FitsMaxPath(built))
        return false;
    path = built;
    return true;
}

void RemoveUnpackedPackage(const std::wstring& appDataFolder, const std::wstring& unpackFolder)
{
    std::wstring unpackPath;
    std::wstring normalized;
    std::vector<std::wstring> levels;
    if (!BuildUnpackPath(appDataFolder, unpackFolder, unpackPath) || !NormalizeUnpackFolder(unpackFolder, normalized)
        || !SplitPlainLevels(normalized, levels))
        return;

    // Down from the application data: a link above the unpack folder would
    // lead the removal somewhere else; the unpack folder as a link goes alone.
    std::wstring level(appDataFolder);
    RemoveOneTrailingBackslash(level);
    for (size_t i = 0; i < levels.size(); ++i) {
        if (level.back() != L'\\')
            level += L'\\';
        level += levels[i];
        DWORD attributes = 0;
        if (!ReadOwnAttributes(level, attributes) || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            return;
        if (IsLink(attributes)) {
            if (i + 1 == levels.size())
                RemoveEmptyFolder(level);
            return;
        }
    }

    FolderScanner scanner;
    scanner.Scan(unpackPath.c_str(), std::wstring());
    std::vector<std::wstring> folders;
    std::vector<std::wstring> folderLinks;
    // One run of removals: each entry reuses the folders opened for the one before.
    LinkFreeFolders opened;
    for (const FolderScanEntry& entry : scanner.Entries()) {
        DWORD attributes = entry.findData.dwFileAttributes;
        bool isFolder = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        if (isFolder && IsLink(attributes)) {
            folderLinks.push_back(entry.fullPath);
        } else if (isFolder) {
            folders.push_back(entry.fullPath);
        } else {
            DeleteFileWithRetry(entry.fullPath, opened);
        }
    }
    // Links first: a folder that held one is empty only once it is gone.
    for (const std::wstring& link : folderLinks)
        RemoveEmptyFolder(link, opened);
    SortDeepestFirst(folders);
    for (const std::wstring& folder : folders)
        RemoveEmptyFolder(folder, opened);
    RemoveEmptyFolder(unpackPath, opened);
}

void RemoveUnpackFolder(HWND owner)
{
    std::wstring appData;
    if (!GetShellFolderPath(CSIDL_APPDATA, owner, appData) || appData.empty())
        return;
    const std::wstring& unpackFolder = Installer().definition.unpackFolder;
    // The unpacked package is the folder this program was unpacked into. A
    // definition naming any other folder below the application data (the
    // product's own settings, say) must not have it emptied.
    std::wstring unpackPath;
    std::wstring program;
    if (!BuildUnpackPath(appData, unpackFolder, unpackPath) || !GetProgramPath(program)
        || !IsPathBelowFolder(program, unpackPath))
        return;
    RemoveUnpackedPackage(appData, unpackFolder);
}
