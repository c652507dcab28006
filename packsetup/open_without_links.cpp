#include "packsetup/open_without_links.h"

#include <utility>
#include <vector>

#include "common/win/ntdll_library.h"

namespace {

const NTSTATUS kStatusNoMoreFiles = static_cast<NTSTATUS>(0x80000006L);
const NTSTATUS kStatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034L);
const NTSTATUS kStatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003AL);
const NTSTATUS kStatusNotADirectory = static_cast<NTSTATUS>(0xC0000103L);

const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

struct AttributeTagInformation {
    ULONG attributes;
    ULONG reparseTag;
};

struct DispositionInformation {
    BOOLEAN deleteFile;
};

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

// A level that names an entry of its own: not empty, not made of dots only
// (".", ".." and their like climb or are cut by the path rules), no stream.
bool IsNamedLevel(const std::wstring& level)
{
    return level.find_first_not_of(L'.') != std::wstring::npos && level.find(L':') == std::wstring::npos;
}

// Where "from" starts the next run of characters up to a separator.
std::wstring NextLevel(const std::wstring& path, size_t& from)
{
    while (from < path.size() && IsSeparator(path[from]))
        ++from;
    size_t start = from;
    while (from < path.size() && !IsSeparator(path[from]))
        ++from;
    return path.substr(start, from - start);
}

// Splits X:\a\b or \\server\share\a\b into its root folder and its levels.
// Empty levels (doubled or trailing separators) are skipped as the path
// rules do; anything else that is not a named level refuses the path.
bool SplitFullPath(const std::wstring& path, std::wstring& root, std::vector<std::wstring>& levels)
{
    size_t from = 0;
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        root = path.substr(0, 2) + L"\\";
        from = 3;
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        from = 2;
        std::wstring server = NextLevel(path, from);
        std::wstring share = NextLevel(path, from);
        // \\?\ and \\.\ name devices and raw paths, not a share.
        if (!IsNamedLevel(server) || server == L"?" || !IsNamedLevel(share))
            return false;
        root = L"\\\\" + server + L"\\" + share + L"\\";
    } else {
        return false;
    }
    for (;;) {
        std::wstring level = NextLevel(path, from);
        if (level.empty())
            return !levels.empty();
        if (!IsNamedLevel(level))
            return false;
        levels.push_back(level);
    }
}

UNICODE_STRING CountedName(const std::wstring& name)
{
    UNICODE_STRING counted;
    counted.Buffer = const_cast<PWSTR>(name.c_str());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    return counted;
}

bool IsMissing(NTSTATUS status)
{
    return status == kStatusObjectNameNotFound || status == kStatusObjectPathNotFound
        || status == kStatusNotADirectory;
}

// A reparse point that stands for another name (junction, symbolic link).
// Other reparse points, such as placeholders of files kept elsewhere, are
// the entries themselves.
bool IsNameSurrogate(HANDLE entry)
{
    AttributeTagInformation tag = {};
    IO_STATUS_BLOCK io = {};
    if (!NT_SUCCESS(Ntdll().queryInformationFile(entry, &io, &tag, sizeof(tag), FileAttributeTagInformation)))
        return true;
    return IsReparseTagNameSurrogate(tag.reparseTag);
}

// Opens the level "name" below the open folder "parent"; levelPath is the
// same entry by its full path. With FILE_OPEN_IF a missing level is created,
// and created says so.
EntryOpening OpenLevel(HANDLE parent, const std::wstring& name, const std::wstring& levelPath, ACCESS_MASK access,
                       ULONG options, OpenedEntry& opened, ULONG disposition = FILE_OPEN, bool* created = nullptr)
{
    const NtdllApi& nt = Ntdll();
    UNICODE_STRING counted = CountedName(name);
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, parent, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    NTSTATUS status = nt.createFile(&handle, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE, &object, &io, nullptr, 0,
                                    kShareAll, disposition,
                                    options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT
                                        | FILE_OPEN_FOR_BACKUP_INTENT,
                                    nullptr, 0);
    if (!NT_SUCCESS(status)) {
        SetLastError(nt.statusToWin32Error ? nt.statusToWin32Error(status) : ERROR_GEN_FAILURE);
        return IsMissing(status) ? EntryOpening::Missing : EntryOpening::Failed;
    }
    opened.handle.Reset(handle);
    if (created)
        *created = io.Information == FILE_CREATED;

    FILE_BASIC_INFORMATION own = {};
    if (!NT_SUCCESS(nt.queryInformationFile(handle, &io, &own, sizeof(own), FileBasicInformation)))
        return EntryOpening::Failed;
    // The entry as its name shows it now. Where the system opened a link's
    // target in spite of the flag, or the entry was swapped meanwhile, the
    // two disagree and the handle is not the entry that the name shows.
    DWORD named = GetFileAttributesW(levelPath.c_str());
    if (named == INVALID_FILE_ATTRIBUTES)
        return EntryOpening::Refused;
    bool ownReparse = (own.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (ownReparse != ((named & FILE_ATTRIBUTE_REPARSE_POINT) != 0))
        return EntryOpening::Refused;
    opened.attributes = own.FileAttributes;
    opened.isLink = ownReparse && IsNameSurrogate(handle);
    return EntryOpening::Opened;
}

ScopedHandle OpenRoot(const std::wstring& root, EntryOpening& result)
{
    ScopedHandle handle(CreateFileW(root.c_str(), FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) {
        DWORD error = GetLastError();
        bool missing = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_BAD_NETPATH
            || error == ERROR_BAD_NET_NAME;
        result = missing ? EntryOpening::Missing : EntryOpening::Failed;
    }
    return handle;
}

} // namespace

EntryOpening OpenEntryWithoutLinks(const std::wstring& path, ACCESS_MASK access, OpenedEntry& entry)
{
    LinkFreeFolders folders;
    return folders.Open(path, access, entry);
}

EntryOpening LinkFreeFolders::Open(const std::wstring& path, ACCESS_MASK access, OpenedEntry& entry)
{
    if (path.empty())
        return EntryOpening::Missing;
    const NtdllApi& nt = Ntdll();
    if (!nt.createFile || !nt.queryInformationFile)
        return EntryOpening::Failed;
    std::wstring root;
    std::vector<std::wstring> levels;
    if (!SplitFullPath(path, root, levels))
        return EntryOpening::Refused;

    // The held folders that lead to this entry stay; exact names only.
    size_t kept = 0;
    if (root == root_) {
        while (kept < names_.size() && kept + 1 < levels.size() && names_[kept] == levels[kept])
            ++kept;
    } else {
        Release();
    }
    KeepLevels(kept);
    EntryOpening result = EntryOpening::Opened;
    if (!rootFolder_) {
        rootFolder_ = OpenRoot(root, result);
        if (!rootFolder_)
            return result;
        root_ = root;
        rootWithin_ = bounds_ && bounds_->IsTreeTop(rootFolder_.get());
    }
    std::wstring levelPath = root;
    for (size_t i = 0; i < kept; ++i)
        levelPath += levels[i] + L'\\';
    for (size_t i = kept; i + 1 < levels.size(); ++i) {
        levelPath += levels[i];
        OpenedEntry folder;
        HANDLE parent = folders_.empty() ? rootFolder_.get() : folders_.back().get();
        result = OpenLevel(parent, levels[i], levelPath, 0, FILE_DIRECTORY_FILE, folder);
        if (result != EntryOpening::Opened)
            return result;
        if (folder.isLink)
            return EntryOpening::Refused;
        if (!(folder.attributes & FILE_ATTRIBUTE_DIRECTORY))
            return EntryOpening::Missing;
        bool aboveWithin = within_.empty() ? rootWithin_ : within_.back();
        within_.push_back(bounds_ && (aboveWithin || bounds_->IsTreeTop(folder.handle.get())));
        names_.push_back(levels[i]);
        folders_.push_back(std::move(folder.handle));
        levelPath += L'\\';
    }
    levelPath += levels.back();
    OpenedEntry opened;
    HANDLE parent = folders_.empty() ? rootFolder_.get() : folders_.back().get();
    result = OpenLevel(parent, levels.back(), levelPath, access, 0, opened);
    if (result != EntryOpening::Opened)
        return result;
    bool parentWithin = within_.empty() ? rootWithin_ : within_.back();
    if (bounds_ && !parentWithin && !bounds_->Holds(opened.handle.get()))
        return EntryOpening::Refused;
    entry = std::move(opened);
    return result;
}

EntryOpening OpenOrCreateFolderIn(HANDLE parent, const std::wstring& parentPath, const std::wstring& name,
                                  ACCESS_MASK access, OpenedEntry& folder, bool& created)
{
    created = false;
    const NtdllApi& nt = Ntdll();
    if (!nt.createFile || !nt.queryInformationFile)
        return EntryOpening::Failed;
    if (name.find_first_of(L"\\/") != std::wstring::npos || !IsNamedLevel(name))
        return EntryOpening::Refused;
    std::wstring levelPath = parentPath;
    if (levelPath.empty() || levelPath.back() != L'\\')
        levelPath += L'\\';
    levelPath += name;
    OpenedEntry opened;
    EntryOpening result = OpenLevel(parent, name, levelPath, access, FILE_DIRECTORY_FILE, opened, FILE_OPEN_IF, &created);
    if (result != EntryOpening::Opened)
        return result;
    if (opened.isLink)
        return EntryOpening::Refused;
    folder = std::move(opened);
    return result;
}

void LinkFreeFolders::Release()
{
    KeepLevels(0);
    rootFolder_.Reset();
    root_.clear();
    rootWithin_ = false;
}

void LinkFreeFolders::KeepWithin(const FolderBounds& bounds)
{
    // The levels held so far were not measured against these bounds.
    Release();
    bounds_ = &bounds;
}

void LinkFreeFolders::KeepLevels(size_t count)
{
    // Deepest first, as they were opened in reverse.
    while (folders_.size() > count) {
        folders_.pop_back();
        names_.pop_back();
        within_.pop_back();
    }
}

bool FolderBounds::AddTree(const std::wstring& folder)
{
    return Add(folder, trees_);
}

bool FolderBounds::AddFolder(const std::wstring& folder)
{
    return Add(folder, folders_);
}

bool FolderBounds::IsTreeTop(HANDLE folder) const
{
    return IsListed(folder, trees_);
}

bool FolderBounds::Holds(HANDLE entry) const
{
    return IsListed(entry, trees_) || IsListed(entry, folders_);
}

bool FolderBounds::Add(const std::wstring& folder, std::vector<Identity>& list)
{
    OpenedEntry opened;
    BY_HANDLE_FILE_INFORMATION information = {};
    if (OpenEntryWithoutLinks(folder, 0, opened) != EntryOpening::Opened || opened.isLink
        || !(opened.attributes & FILE_ATTRIBUTE_DIRECTORY)
        || !GetFileInformationByHandle(opened.handle.get(), &information))
        return false;
    list.push_back({information.dwVolumeSerialNumber, information.nFileIndexHigh, information.nFileIndexLow});
    return true;
}

bool FolderBounds::IsListed(HANDLE entry, const std::vector<Identity>& list)
{
    BY_HANDLE_FILE_INFORMATION information = {};
    if (list.empty() || !GetFileInformationByHandle(entry, &information))
        return false;
    for (const Identity& listed : list) {
        if (listed.volume == information.dwVolumeSerialNumber && listed.indexHigh == information.nFileIndexHigh
            && listed.indexLow == information.nFileIndexLow)
            return true;
    }
    return false;
}

bool ResetAttributes(HANDLE entry)
{
    const NtdllApi& nt = Ntdll();
    if (!nt.setInformationFile)
        return false;
    // Zero times leave the times as they are.
    FILE_BASIC_INFORMATION basic = {};
    basic.FileAttributes = FILE_ATTRIBUTE_NORMAL;
    IO_STATUS_BLOCK io = {};
    return NT_SUCCESS(nt.setInformationFile(entry, &io, &basic, sizeof(basic), FileBasicInformation));
}

bool MarkForDeletion(HANDLE entry)
{
    const NtdllApi& nt = Ntdll();
    if (!nt.setInformationFile)
        return false;
    DispositionInformation disposition = {TRUE};
    IO_STATUS_BLOCK io = {};
    return NT_SUCCESS(
        nt.setInformationFile(entry, &io, &disposition, sizeof(disposition), FileDispositionInformation));
}

bool IsFolderEmpty(HANDLE folder)
{
    const NtdllApi& nt = Ntdll();
    if (!nt.queryDirectoryFile)
        return false;
    std::vector<ULONGLONG> buffer(512);
    BOOLEAN restart = TRUE;
    for (;;) {
        IO_STATUS_BLOCK io = {};
        NTSTATUS status = nt.queryDirectoryFile(folder, nullptr, nullptr, nullptr, &io, buffer.data(),
                                                static_cast<ULONG>(buffer.size() * sizeof(ULONGLONG)),
                                                FileBothDirectoryInformation, FALSE, nullptr, restart);
        restart = FALSE;
        if (status == kStatusNoMoreFiles)
            return true;
        // Whatever cannot be listed counts as holding something.
        if (!NT_SUCCESS(status))
            return false;
        const BYTE* at = reinterpret_cast<const BYTE*>(buffer.data());
        for (;;) {
            const FILE_BOTH_DIR_INFORMATION* listed = reinterpret_cast<const FILE_BOTH_DIR_INFORMATION*>(at);
            std::wstring name(listed->FileName, listed->FileNameLength / sizeof(wchar_t));
            if (name != L"." && name != L"..")
                return false;
            if (listed->NextEntryOffset == 0)
                break;
            at += listed->NextEntryOffset;
        }
    }
}

bool CountLinks(HANDLE entry, DWORD& links)
{
    // The standard information alone: GetFileInformationByHandle also reads
    // the entry's name, which costs more than the copy of a small file.
    const NtdllApi& nt = Ntdll();
    FILE_STANDARD_INFORMATION standard = {};
    IO_STATUS_BLOCK io = {};
    if (!nt.queryInformationFile
        || !NT_SUCCESS(nt.queryInformationFile(entry, &io, &standard, sizeof(standard), FileStandardInformation)))
        return false;
    links = standard.NumberOfLinks;
    return true;
}

bool HasSingleName(const OpenedEntry& entry)
{
    DWORD links = 0;
    return !entry.isLink && CountLinks(entry.handle.get(), links) && links == 1;
}

bool IsSameEntry(HANDLE first, HANDLE second)
{
    BY_HANDLE_FILE_INFORMATION one = {};
    BY_HANDLE_FILE_INFORMATION other = {};
    if (!GetFileInformationByHandle(first, &one) || !GetFileInformationByHandle(second, &other))
        return false;
    return one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh
        && one.nFileIndexLow == other.nFileIndexLow;
}
