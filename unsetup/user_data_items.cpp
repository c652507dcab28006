#include "unsetup/user_data_items.h"

#include <windows.h>

#include "packsetup/folder_scanner.h"
#include "unsetup/app_data_items.h"
#include "unsetup/program_paths.h"

namespace {

// An existing folder that is not a junction or symbolic link.
bool IsPlainFolder(const std::wstring& path)
{
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
        && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
}

} // namespace

void AddUserDataItems(UninstallWorkLists& lists, const std::wstring& roamingFolder, const std::wstring& appDataPath)
{
    std::wstring product = JoinPath(roamingFolder, appDataPath);
    FolderScanner scanner;
    for (const wchar_t* name : kUserDataFolders) {
        std::wstring userFolder = product + name;
        if (!IsPlainFolder(userFolder))
            continue;
        scanner.Clear();
        scanner.Scan(userFolder.c_str(), std::wstring());
        for (const FolderScanEntry& entry : scanner.Entries()) {
            std::wstring path = userFolder + entry.relativePath;
            if (entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                lists.AddFolder(path);
            else
                lists.AddFile(path);
        }
        lists.AddFolder(userFolder);
    }
}
