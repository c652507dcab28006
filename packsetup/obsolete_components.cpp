#include "packsetup/obsolete_components.h"

#include "packsetup/deepest_first.h"
#include "packsetup/file_removal.h"
#include "packsetup/removable_component.h"

void RemoveObsoleteComponents(const std::wstring& installFolder, const std::vector<std::wstring>& files,
                              std::vector<std::wstring> folders)
{
    for (const std::wstring& file : files) {
        if (IsRemovableComponentPath(file))
            DeleteFileWithRetry(installFolder + L"\\" + file);
    }
    SortDeepestFirst(folders);
    for (const std::wstring& folder : folders) {
        if (IsRemovableComponentPath(folder))
            RemoveEmptyFolder(installFolder + L"\\" + folder);
    }
}
