#include "unsetup/uninstaller_definition.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "common/xml/definition_file.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"

bool LoadUninstallerDefinition(UninstallerSettings& settings, bool temporaryCopy)
{
    std::wstring path;
    if (!GetOwnFolderFilePath(LoadText(temporaryCopy ? IDS_TEMPORARY_DEFINITION_NAME : IDS_DEFINITION_NAME), path))
        return false;
    return LoadUninstallerDefinitionFile(path, settings);
}

bool LoadUninstallerDefinitionFile(const std::wstring& path, UninstallerSettings& settings)
{
    qz_xml::QXMLDocument document;
    qz_xml::QXMLNode root;
    if (!qz_xml::LoadDefinitionRoot(path, L"/TavrelSetup", document, root))
        return false;

    if (!qz_xml::ReadRequiredElement(root, L"Caption", L"error", settings.caption))
        return false;
    std::wstring baseRegKey;
    if (!qz_xml::ReadRequiredElement(root, L"BaseRegKey", settings.caption, baseRegKey))
        return false;
    settings.baseRegKey = L"Software\\Halvest\\" + baseRegKey;

    std::wstring uninstallKey;
    if (!qz_xml::ReadRequiredElement(root, L"UninstallerInfoRegKey", settings.caption, uninstallKey))
        return false;
    settings.uninstallRegKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey;

    std::wstring appDataPath;
    if (!qz_xml::ReadRequiredElement(root, L"AppDataPath", settings.caption, appDataPath))
        return false;
    settings.appDataPath = L"Halvest\\" + appDataPath;

    std::wstring edition;
    if (!qz_xml::ReadRequiredElement(root, L"Edition", settings.caption, edition))
        return false;
    if (edition == L"normal") {
        settings.testEdition = false;
    } else if (edition == L"test") {
        settings.testEdition = true;
    } else {
        ShowMessageBox(nullptr, L"Invalid XML Node value: <Edition>", settings.caption, MB_ICONERROR);
        return false;
    }
    return true;
}
