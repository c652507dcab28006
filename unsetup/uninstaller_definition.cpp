#include "unsetup/uninstaller_definition.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"

namespace {

void ReportDefinitionError(const std::wstring& text, const std::wstring& title)
{
    ShowMessageBox(nullptr, text, title, MB_OK | MB_ICONERROR);
}

void ReportMissingElement(const std::wstring& element, const std::wstring& title)
{
    ReportDefinitionError(L"XML Node not found: <" + element + L">", title);
}

} // namespace

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
    if (!document.Create() || !document.Load(path))
        return false;
    qz_xml::QXMLNode root = document.SelectSingleNode(L"/TavrelSetup");
    if (!root.IsValid())
        return false;

    settings.caption = root.SelectSingleNode(L"./Caption").GetText();
    if (settings.caption.empty()) {
        ReportMissingElement(L"Caption", L"error");
        return false;
    }
    std::wstring baseRegKey = root.SelectSingleNode(L"./BaseRegKey").GetText();
    if (baseRegKey.empty()) {
        ReportMissingElement(L"BaseRegKey", settings.caption);
        return false;
    }
    settings.baseRegKey = L"Software\\Halvest\\" + baseRegKey;

    std::wstring uninstallKey = root.SelectSingleNode(L"./UninstallerInfoRegKey").GetText();
    if (uninstallKey.empty()) {
        ReportMissingElement(L"UninstallerInfoRegKey", settings.caption);
        return false;
    }
    settings.uninstallRegKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + uninstallKey;

    std::wstring appDataPath = root.SelectSingleNode(L"./AppDataPath").GetText();
    if (appDataPath.empty()) {
        ReportMissingElement(L"AppDataPath", settings.caption);
        return false;
    }
    settings.appDataPath = L"Halvest\\" + appDataPath;

    std::wstring edition = root.SelectSingleNode(L"./Edition").GetText();
    if (edition.empty()) {
        ReportMissingElement(L"Edition", settings.caption);
        return false;
    }
    if (edition == L"normal") {
        settings.testEdition = false;
    } else if (edition == L"test") {
        settings.testEdition = true;
    } else {
        ReportDefinitionError(L"Invalid XML Node value: <Edition>", settings.caption);
        return false;
    }
    return true;
}
