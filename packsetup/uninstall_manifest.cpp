#include "packsetup/uninstall_manifest.h"

#include <windows.h>

#include <vector>

#include "common/xml/qz_xml.h"
#include "packsetup/installed_items.h"
#include "packsetup/installer_state.h"
#include "packsetup/package_paths.h"

using qz_xml::QXMLDocument;
using qz_xml::QXMLElement;
using qz_xml::QXMLNode;

const wchar_t kUninstallManifestName[] = L"tavrelunsetup.dat";

namespace {

wchar_t FoldAscii(wchar_t c)
{
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// A list of paths where two spellings that differ only in ASCII case are one
// path. An open-addressing table of indices into the list, hashed and
// compared with the case folded on the fly, so no key string is made or kept
// per path, and no allocation per entry. Sized for the expected number of
// paths and kept at most half full, growing if more come.
class FoldedPathIndex {
public:
    FoldedPathIndex(const std::vector<std::wstring>& paths, size_t expected) : paths_(paths)
    {
        size_t capacity = 16;
        while (capacity < expected * 2)
            capacity *= 2;
        slots_.assign(capacity, Slot{kEmpty, 0});
    }
    // True when no spelling of the path at the index was added before.
    bool Add(size_t index)
    {
        const std::wstring& path = paths_[index];
        size_t hash = Hash(path);
        size_t mask = slots_.size() - 1;
        for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
            if (slots_[slot].index == kEmpty) {
                slots_[slot] = Slot{index, hash};
                if (++count_ * 2 > slots_.size())
                    Grow();
                return true;
            }
            if (slots_[slot].hash == hash && EqualFolded(paths_[slots_[slot].index], path))
                return false;
        }
    }

private:
    static const size_t kEmpty = static_cast<size_t>(-1);
    struct Slot {
        size_t index;
        size_t hash;
    };

    void Grow()
    {
        std::vector<Slot> old(slots_.size() * 2, Slot{kEmpty, 0});
        old.swap(slots_);
        size_t mask = slots_.size() - 1;
        for (const Slot& kept : old) {
            if (kept.index == kEmpty)
                continue;
            size_t slot = kept.hash & mask;
            while (slots_[slot].index != kEmpty)
                slot = (slot + 1) & mask;
            slots_[slot] = kept;
        }
    }

    static size_t Hash(const std::wstring& path)
    {
        // FNV-1a over the folded UTF-16 units.
        unsigned long long hash = 14695981039346656037ull;
        for (wchar_t c : path)
            hash = (hash ^ static_cast<unsigned short>(FoldAscii(c))) * 1099511628211ull;
        return static_cast<size_t>(hash ^ (hash >> 32));
    }
    static bool EqualFolded(const std::wstring& a, const std::wstring& b)
    {
        if (a.size() != b.size())
            return false;
        for (size_t i = 0; i < a.size(); ++i) {
            if (FoldAscii(a[i]) != FoldAscii(b[i]))
                return false;
        }
        return true;
    }

    const std::vector<std::wstring>& paths_;
    std::vector<Slot> slots_;
    size_t count_ = 0;
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

ManifestUpdateTimes* g_manifestTimes = nullptr;

double SecondsSince(const LARGE_INTEGER& start)
{
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// The update once the manifest's path is known and listed; the document is
// gone when it returns.
ManifestUpdate MergeIntoManifest(const std::wstring& manifestPath, std::vector<std::wstring>& files,
                                 InstalledFolderList& folders, double& earlierLoad)
{
    QXMLDocument document;
    if (!document.Create())
        return ManifestUpdate::NotLoaded;
    LARGE_INTEGER loadStart;
    QueryPerformanceCounter(&loadStart);
    if (!document.Load(manifestPath))
        return ManifestUpdate::NotLoaded;
    earlierLoad = SecondsSince(loadStart);

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
    // An empty Components in the DOM; its entries are written straight from
    // the lists as its children when the document is saved.
    QXMLNode components;
    if (root.IsValid()) {
        QXMLElement newElement = document.CreateElement(L"Components");
        components = root.AppendChild(newElement.GetInterface());
    }
    bool merged = components.IsValid();
    qz_xml::internal::AddedTextElements entries;
    if (merged) {
        entries.parentName = L"Components";
        entries.groups.push_back({L"File", &files});
        entries.groups.push_back({L"Directory", &folders.Paths()});
    }

    if (!document.SaveIndented(manifestPath, L"utf-8", entries))
        return ManifestUpdate::SaveFailed;
    return merged ? ManifestUpdate::Updated : ManifestUpdate::RootMissing;
}

} // namespace

ManifestUpdate MergeUninstallManifest(const std::wstring& installFolder, std::vector<std::wstring>& files,
                                      InstalledFolderList& folders)
{
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    std::wstring manifestPath(installFolder);
    if (manifestPath.empty() || manifestPath.back() != L'\\')
        manifestPath += L'\\';
    manifestPath += kUninstallManifestName;
    if (!FitsMaxPath(manifestPath))
        return ManifestUpdate::NotLoaded;
    files.push_back(manifestPath);

    double earlierLoad = -1;
    ManifestUpdate result = MergeIntoManifest(manifestPath, files, folders, earlierLoad);
    if (g_manifestTimes && earlierLoad >= 0) {
        g_manifestTimes->earlierLoad = earlierLoad;
        g_manifestTimes->whole = SecondsSince(start);
    }
    return result;
}

void SetManifestUpdateTimesForTesting(ManifestUpdateTimes* times)
{
    g_manifestTimes = times;
}

ManifestUpdate UpdateUninstallManifest(const std::wstring& installFolder)
{
    InstallerState& state = Installer();
    return MergeUninstallManifest(installFolder, state.installedFiles, state.installedFolders);
}
