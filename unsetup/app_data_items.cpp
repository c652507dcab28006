#include "unsetup/app_data_items.h"

#include "unsetup/program_paths.h"

const wchar_t* const kUserDataFolders[4] = {L"\\UserCharacter", L"\\UserImage", L"\\UserModel", L"\\UserSnap"};

namespace {

const wchar_t kMakerFolder[] = L"Halvest";

} // namespace

void AddRoamingDataItems(UninstallWorkLists& lists, const std::wstring& roamingFolder,
                         const std::wstring& appDataPath, const std::wstring& addNewName)
{
    lists.AddFolder(JoinPath(roamingFolder, kMakerFolder));
    std::wstring product = JoinPath(roamingFolder, appDataPath);
    lists.AddFolder(product);
    lists.AddFile(product + L"\\$$AutoBackup$$.tvd");
    lists.AddFile(product + L"\\exception.log");
    lists.AddFolder(product + L"\\Updater");
    lists.AddFile(product + L"\\Updater" + L"\\updater.exe");
    for (const wchar_t* name : kUserDataFolders) {
        std::wstring userFolder = product + name;
        lists.AddFolder(userFolder);
        lists.AddFolder(userFolder + L"\\" + addNewName);
    }
}

void AddLocalDataItems(UninstallWorkLists& lists, const std::wstring& localFolder, const std::wstring& appDataPath)
{
    lists.AddFolder(JoinPath(localFolder, kMakerFolder));
    std::wstring product = JoinPath(localFolder, appDataPath);
    lists.AddFolder(product);
    lists.AddFile(product + L"\\" + L"updater.exe");
}
