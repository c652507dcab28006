#include "packsetup/uninstall_manifest.h"

#include <unordered_set>

#include "common/xml/qz_xml.h"
#include "common/xml/xml_text.h"
#include "packsetup/installed_items.h"
#include "packsetup/installer_state.h"
#include "packsetup/package_paths.h"

using qz_xml::QXMLDocument;
using qz_xml::QXMLElement;
using qz_xml::QXMLNode;
using qz_xml::QXMLText;

const wchar_t kUninstallManifestName[] = L"tavrelunsetup.dat";

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// A list of paths where two spellings that differ only in ASCII case are one
// path. The set holds indices into the list, hashed and compared with the case
// folded on the fly, so no key string is made or kept per path.
class FoldedPathIndex {
public:
    FoldedPathIndex(const std::vector<std::wstring>& paths, size_t expected)
        : indices_(expected, Hash{&paths}, Equal{&paths})
    {
    }
    // True when no spelling of the path at the index was added before.
    bool Add(size_t index) { return indices_.insert(index).second; }

private:
    struct Hash {
        const std::vector<std::wstring>* paths;
        size_t operator()(size_t index) const
        {
            // FNV-1a over the folded UTF-16 units.
            unsigned long long hash = 14695981039346656037ull;
            for (wchar_t c : (*paths)[index])
                hash = (hash ^ static_cast<unsigned short>(FoldAscii(c))) * 1099511628211ull;
            return static_cast<size_t>(hash);
        }
    };
    struct Equal {
        const std::vector<std::wstring>* paths;
        bool operator()(size_t left, size_t right) const
        {
            const std::wstring& a = (*paths)[left];
            const std::wstring& b = (*paths)[right];
            if (a.size() != b.size())
                return false;
            for (size_t i = 0; i < a.size(); ++i) {
                if (FoldAscii(a[i]) != FoldAscii(b[i]))
                    return false;
            }
            return true;
        }
    };
    std::unordered_set<size_t, Hash, Equal> indices_;
};

// Appends to the paths the texts of the selected elements, in document
// order, each without one trailing backslash, that the paths lack in any
// spelling, so an earlier path spelled twice comes once. Empty texts name
// nothing and are left out; over-long ones are kept whole.
void AppendEarlierPaths(QXMLDocument& document, const std::wstring& query, std::vector<std::wstring>& paths)
{
    qz_xml::QXMLNodeList earlier = document.SelectNodes(query);
    FoldedPathIndex listed(paths, paths.size() + static_cast<size_t>(earlier.GetLength()));
    for (size_t i = 0; i < paths.size(); ++i)
        listed.Add(i);
    for (QXMLNode& node : earlier) {
        paths.push_back(node.GetText());
        RemoveOneTrailingBackslash(paths.back());
        if (paths.back().empty() || !listed.Add(paths.size() - 1))
            paths.pop_back();
    }
}

bool AppendElementsMarkup(std::wstring& markup, const std::wstring& tag, const std::vector<std::wstring>& paths)
{
    for (const std::wstring& path : paths) {
        markup += L'<';
        markup += tag;
        markup += L'>';
        if (!qz_xml::internal::AppendEscapedTextUtf16(markup, path))
            return false;
        markup += L"</";
        markup += tag;
        markup += L'>';
    }
    return true;
}

// A Components element holding every entry, parsed from markup into the
// scratch document by one DOM call: a handful of calls in all rather than
// four per entry. Empty when a path cannot be XML text or the DOM refuses.
QXMLNode ParseComponents(QXMLDocument& scratch, const std::vector<std::wstring>& files,
                         const std::vector<std::wstring>& folders)
{
    size_t length = 32;
    for (const std::wstring& path : files)
        length += path.size() + 13;
    for (const std::wstring& path : folders)
        length += path.size() + 23;
    std::wstring markup;
    markup.reserve(length);
    markup += L"<Components>";
    if (!AppendElementsMarkup(markup, L"File", files) || !AppendElementsMarkup(markup, L"Directory", folders))
        return QXMLNode();
    markup += L"</Components>";
    if (!scratch.Create() || !scratch.LoadXml(markup))
        return QXMLNode();
    return scratch.SelectSingleNode(L"/Components");
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

    AppendEarlierPaths(document, L"/TavrelUninstall/Components/File", files);
    std::vector<std::wstring> allFolders(folders.Paths());
    size_t firstEarlierFolder = allFolders.size();
    AppendEarlierPaths(document, L"/TavrelUninstall/Components/Directory", allFolders);
    for (size_t i = firstEarlierFolder; i < allFolders.size(); ++i)
        folders.Add(allFolders[i]);

    QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    QXMLNode oldComponents = root.SelectSingleNode(L"./Components");
    if (oldComponents.IsValid())
        root.RemoveChild(oldComponents.GetInterface());
    // Built apart and moved in whole; entry by entry only where the DOM
    // cannot take that route.
    QXMLDocument scratch;
    QXMLNode components;
    if (root.IsValid()) {
        QXMLNode built = ParseComponents(scratch, files, folders.Paths());
        if (built.IsValid())
            components = root.AppendChild(built.GetInterface());
    }
    if (!components.IsValid()) {
        QXMLElement newElement = document.CreateElement(L"Components");
        components = root.AppendChild(newElement.GetInterface());
        if (components.IsValid()) {
            AppendEntries(document, components, L"File", files);
            AppendEntries(document, components, L"Directory", folders.Paths());
        }
    }
    bool merged = components.IsValid();

    if (!document.SaveIndented(manifestPath, L"utf-8"))
        return ManifestUpdate::SaveFailed;
    return merged ? ManifestUpdate::Updated : ManifestUpdate::RootMissing;
}

ManifestUpdate UpdateUninstallManifest(const std::wstring& installFolder)
{
    InstallerState& state = Installer();
    return MergeUninstallManifest(installFolder, state.installedFiles, state.installedFolders);
}
