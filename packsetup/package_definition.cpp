#include "packsetup/package_definition.h"

#include <windows.h>
#include <shlwapi.h>

#include "common/xml/definition_file.h"

namespace {

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

// The elements of a loaded definition, into the record.
bool ReadDefinitionFields(qz_xml::QXMLDocument& document, qz_xml::QXMLNode& root, PackageDefinition& definition)
{
    if (!qz_xml::ReadRequiredElement(root, L"Caption", L"error", definition.caption))
        return false;
    std::wstring baseRegKey;
    if (!qz_xml::ReadRequiredElement(root, L"BaseRegKey", definition.caption, baseRegKey))
        return false;
    definition.productRegistryKey = L"Software\\Halvest\\" + baseRegKey;

    std::wstring extractPath;
    if (!qz_xml::ReadRequiredElement(root, L"SfxExtractPath", definition.caption, extractPath))
        return false;
    definition.unpackFolder = L"Halvest\\" + extractPath;

    definition.removeFiles = ReadAllTexts(root, L"./RemoveComponents/File");
    definition.removeDirectories = ReadAllTexts(root, L"./RemoveComponents/Directory");
    definition.packageId = document.SelectSingleNode(L"/TavrelSetup/PackageID").GetText();
    definition.packageTitle = document.SelectSingleNode(L"/TavrelSetup/PackageTitle").GetText();
    definition.requiredVersion =
        document.SelectSingleNode(L"/TavrelSetup/RequiredTavrelVersion").GetText();
    return true;
}

} // namespace

std::wstring ProgramForDefinition(const std::wstring& definitionName)
{
    return definitionName.substr(0, definitionName.size() - 4) + L".exe";
}

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
    qz_xml::QXMLNode root;
    return qz_xml::LoadDefinitionRoot(path, L"/TavrelSetup", document, root)
        && ReadDefinitionFields(document, root, definition);
}

bool LoadPackageDefinitionContent(const std::string& content, PackageDefinition& definition)
{
    qz_xml::QXMLDocument document;
    qz_xml::QXMLNode root;
    return qz_xml::LoadDefinitionRoot(content, L"/TavrelSetup", document, root)
        && ReadDefinitionFields(document, root, definition);
}
