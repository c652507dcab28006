#include "packsetup/obsolete_components.h"

#include "packsetup/deepest_first.h"
#include "packsetup/file_removal.h"

void RemoveObsoleteComponents(const std::wstring& installFolder, const std::vector<std::wstring>& files,
                              std::vector<std::wstring> folders)
{
    for (const std::wstring& file : files)
        DeleteFileWithRetry(installFolder + L"\\" + file);
    SortDeepestFirst(folders);
    for (const std::wstring& folder : folders)
        RemoveEmptyFolder(installFolder + L"\\" + folder);
}
