#include "packsetup/package_definition.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/win/message_box.h"
#include "common/xml/qz_xml.h"

namespace {

void ReportMissingElement(const std::wstring& element, const std::wstring& title)
{
    ShowMessageBox(nullptr, L"XML Node not found: <" + element + L">", title, MB_ICONERROR);
}

std::vector<std::wstring> ReadAllTexts(qz_xml::QXMLNode& root, const std::wstring& path)
{
    std::vector<std::wstring> texts;
    qz_xml::QXMLNodeList nodes = root.SelectNodes(path);
    if (!nodes.IsValid())
        return texts;
    for (auto it = nodes.begin(); it != nodes.end(); ++it)
        texts.push_back((*it).GetText());
    return texts;
}

} // namespace

bool GetDefinitionPath(std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    if (!PathRenameExtensionW(buffer, L".def"))
        return false;
    path = buffer;
    return true;
}

bool LoadPackageDefinition(PackageDefinition& definition)
{
    std::wstring path;
    return GetDefinitionPath(path) && LoadPackageDefinitionFile(path, definition);
}

bool LoadPackageDefinitionFile(const std::wstring& path, PackageDefinition& definition)
{
    qz_xml::QXMLDocument document;
    if (!document.Create() || !document.Load(path))
        return false;
    qz_xml::QXMLNode root = document.SelectSingleNode(L"/TavrelSetup");
    if (!root.IsValid())
        return false;

    definition.caption = root.SelectSingleNode(L"./Caption").GetText();
    if (definition.caption.empty()) {
        ReportMissingElement(L"Caption", L"error");
        return false;
    }
    std::wstring baseRegKey = root.SelectSingleNode(L"./BaseRegKey").GetText();
    if (baseRegKey.empty()) {
        ReportMissingElement(L"BaseRegKey", definition.caption);
        return false;
    }
    definition.productRegistryKey = L"Software\\Halvest\\" + baseRegKey;

    std::wstring extractPath = root.SelectSingleNode(L"./SfxExtractPath").GetText();
    if (extractPath.empty()) {
        ReportMissingElement(L"SfxExtractPath", definition.caption);
        return false;
    }
    definition.unpackFolder = L"Halvest\\" + extractPath;

    definition.removeFiles = ReadAllTexts(root, L"./RemoveComponents/File");
    definition.removeDirectories = ReadAllTexts(root, L"./RemoveComponents/Directory");
    definition.packageId = document.SelectSingleNode(L"/TavrelSetup/PackageID").GetText();
    definition.packageTitle = document.SelectSingleNode(L"/TavrelSetup/PackageTitle").GetText();
    definition.requiredVersion =
        document.SelectSingleNode(L"/TavrelSetup/RequiredTavrelVersion").GetText();
    return true;
}
