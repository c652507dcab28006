#include "packsetup/install_folder_name.h"

#include "packsetup/package_paths.h"

InstallFolderProblem CheckInstallFolderName(const std::wstring& folder)
{
    // A drive root alone ("C:\") is refused as well: the package would land
    // beside the system's own folders.
    if (folder.size() < 4 || folder[1] != L':' || folder[2] != L'\\')
        return InstallFolderProblem::InvalidName;
    // Every path below it is built in MAX_PATH buffers; a longer folder
    // could only be cut, never used.
    if (!FitsMaxPath(folder))
        return InstallFolderProblem::InvalidName;
    if (folder.find_first_of(L"/*?\"<>|\r\n\t") != std::wstring::npos)
        return InstallFolderProblem::InvalidCharacters;
    return InstallFolderProblem::None;
}
