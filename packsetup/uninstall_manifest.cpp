#include "packsetup/uninstall_manifest.h"

#include <unordered_set>

#include "common/xml/qz_xml.h"
#include "packsetup/installed_items.h"
#include "packsetup/installer_state.h"
#include "packsetup/package_paths.h"

using qz_xml::QXMLDocument;
using qz_xml::QXMLElement;
using qz_xml::QXMLNode;
using qz_xml::QXMLText;

const wchar_t kUninstallManifestName[] = L"tavrelunsetup.dat";

namespace {

// Paths where two spellings that differ only in ASCII case are one path;
// the hash set keeps each check constant-time.
class FoldedPathSet {
public:
    explicit FoldedPathSet(size_t expected) { keys_.reserve(expected); }
    // True when no spelling of the path was added before.
    bool Add(const std::wstring& path) { return keys_.insert(AsciiFoldedKey(path)).second; }

private:
    std::unordered_set<std::wstring> keys_;
};

// The texts of the selected elements, in document order, each without one
// trailing backslash, that the listed paths lack; each is added to them, so
// an earlier path spelled twice comes once. Empty texts name nothing and are
// left out; over-long ones are kept whole.
std::vector<std::wstring> EarlierPathsNotListed(QXMLDocument& document, const std::wstring& query,
                                                FoldedPathSet& listed)
{
    std::vector<std::wstring> paths;
    for (QXMLNode& node : document.SelectNodes(query)) {
        std::wstring path = node.GetText();
        RemoveOneTrailingBackslash(path);
        if (!path.empty() && listed.Add(path))
            paths.push_back(path);
    }
    return paths;
}

void AppendEntries(QXMLDocument& document, QXMLNode& components, const std::wstring& tag,
                   const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths) {
        QXMLText text = document.CreateTextNode(path);
        if (!text.IsValid())
            continue;
        QXMLElement element = document.CreateElement(tag);
        if (!element.IsValid())
            continue;
        if (element.AppendChild(text.GetInterface()).IsValid())
            components.AppendChild(element.GetInterface());
    }
}

} // namespace

ManifestUpdate MergeUninstallManifest(const std::wstring& installFolder, std::vector<std::wstring>& files,
                                      InstalledFolderList& folders)
{
    std::wstring manifestPath(installFolder);
    if (manifestPath.empty() || manifestPath.back() != L'\\')
        manifestPath += L'\\';
    manifestPath += kUninstallManifestName;
    if (!FitsMaxPath(manifestPath))
        return ManifestUpdate::NotLoaded;
    files.push_back(manifestPath);

    QXMLDocument document;
    if (!document.Create() || !document.Load(manifestPath))
        return ManifestUpdate::NotLoaded;

    FoldedPathSet listedFiles(files.size() * 2);
    for (const std::wstring& path : files)
        listedFiles.Add(path);
    for (std::wstring& path : EarlierPathsNotListed(document, L"/TavrelUninstall/Components/File", listedFiles))
        files.push_back(std::move(path));
    FoldedPathSet listedFolders(folders.Paths().size() * 2);
    for (const std::wstring& path : folders.Paths())
        listedFolders.Add(path);
    for (const std::wstring& path :
         EarlierPathsNotListed(document, L"/TavrelUninstall/Components/Directory", listedFolders))
        folders.Add(path);

    QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    QXMLNode oldComponents = root.SelectSingleNode(L"./Components");
    if (oldComponents.IsValid())
        root.RemoveChild(oldComponents.GetInterface());
    QXMLElement newElement = document.CreateElement(L"Components");
    QXMLNode components = root.AppendChild(newElement.GetInterface());
    bool merged = components.IsValid();
    if (merged) {
        AppendEntries(document, components, L"File", files);
        AppendEntries(document, components, L"Directory", folders.Paths());
    }

    if (!document.SaveIndented(manifestPath, L"utf-8"))
        return ManifestUpdate::SaveFailed;
    return merged ? ManifestUpdate::Updated : ManifestUpdate::RootMissing;
}

ManifestUpdate UpdateUninstallManifest(const std::wstring& installFolder)
{
    InstallerState& state = Installer();
    return MergeUninstallManifest(installFolder, state.installedFiles, state.installedFolders);
}
