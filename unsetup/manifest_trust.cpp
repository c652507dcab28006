#include "unsetup/manifest_trust.h"

#include <vector>

#include "common/win/scoped_handle.h"
#include "common/xml/com_scoped.h"
#include "packsetup/open_without_links.h"
#include "unsetup/manifest_items.h"
#include "unsetup/program_paths.h"

namespace {

// Rights that let their holder change a file's content, delete or rename it,
// add entries to a folder or take them out, or change who may do any of it.
const ACCESS_MASK kChangeRights = FILE_WRITE_DATA | FILE_APPEND_DATA | FILE_DELETE_CHILD | DELETE | WRITE_DAC
    | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL;

const DWORD kTrustedInstallerSubAuthorities[] = {80, 956008885u, 3418522649u, 1831038044u, 1853292631u, 2271478464u};

class TrustSidList {
public:
    bool AddWellKnown(WELL_KNOWN_SID_TYPE type)
    {
        std::vector<BYTE> sid(SECURITY_MAX_SID_SIZE);
        DWORD size = static_cast<DWORD>(sid.size());
        if (!CreateWellKnownSid(type, nullptr, sid.data(), &size))
            return false;
        sids_.push_back(sid);
        return true;
    }

    bool AddTrustedInstaller()
    {
        const BYTE count = sizeof(kTrustedInstallerSubAuthorities) / sizeof(kTrustedInstallerSubAuthorities[0]);
        SID_IDENTIFIER_AUTHORITY authority = SECURITY_NT_AUTHORITY;
        std::vector<BYTE> sid(GetSidLengthRequired(count));
        if (!InitializeSid(sid.data(), &authority, count))
            return false;
        for (BYTE i = 0; i < count; ++i)
            *GetSidSubAuthority(sid.data(), i) = kTrustedInstallerSubAuthorities[i];
        sids_.push_back(sid);
        return true;
    }

    bool Add(PSID sid)
    {
        if (!sid || !IsValidSid(sid))
            return false;
        const BYTE* bytes = static_cast<const BYTE*>(sid);
        sids_.emplace_back(bytes, bytes + GetLengthSid(sid));
        return true;
    }

    bool Holds(PSID sid) const
    {
        for (const std::vector<BYTE>& listed : sids_) {
            if (EqualSid(const_cast<BYTE*>(listed.data()), sid))
                return true;
        }
        return false;
    }

private:
    std::vector<std::vector<BYTE>> sids_;
};

bool IsDeniedAce(BYTE type)
{
    return type == ACCESS_DENIED_ACE_TYPE || type == ACCESS_DENIED_OBJECT_ACE_TYPE
        || type == ACCESS_DENIED_CALLBACK_ACE_TYPE || type == ACCESS_DENIED_CALLBACK_OBJECT_ACE_TYPE;
}

bool ReadUserSid(std::vector<BYTE>& sid)
{
    ScopedHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.Receive()))
        return false;
    DWORD needed = 0;
    GetTokenInformation(token.get(), TokenUser, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    std::vector<BYTE> buffer(needed);
    if (!GetTokenInformation(token.get(), TokenUser, buffer.data(), needed, &needed))
        return false;
    PSID user = reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid;
    const BYTE* bytes = static_cast<const BYTE*>(user);
    sid.assign(bytes, bytes + GetLengthSid(user));
    return true;
}

// The owner and DACL of an open entry.
bool ReadOwnerAndDacl(HANDLE entry, std::vector<BYTE>& descriptor)
{
    const SECURITY_INFORMATION wanted = OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetKernelObjectSecurity(entry, wanted, nullptr, 0, &needed);
    if (needed == 0)
        return false;
    descriptor.resize(needed);
    return GetKernelObjectSecurity(entry, wanted, descriptor.data(), needed, &needed) != FALSE;
}

// Far larger than the manifest of any installation; a larger file is not
// read at all.
const LONGLONG kMaxManifestBytes = 256ll << 20;

// Whether the opened manifest file and its folder are left to administrators,
// each judged by its own owner and DACL.
bool IsLeftToAdministrators(HANDLE folder, HANDLE file)
{
    std::vector<BYTE> user;
    if (!ReadUserSid(user))
        return false;
    for (HANDLE entry : {folder, file}) {
        std::vector<BYTE> descriptor;
        if (!ReadOwnerAndDacl(entry, descriptor) || !IsChangeableOnlyByAdministrators(descriptor.data(), user.data()))
            return false;
    }
    return true;
}

// Reads exactly the given number of bytes.
bool ReadWhole(HANDLE file, BYTE* bytes, DWORD size)
{
    DWORD total = 0;
    while (total < size) {
        DWORD read = 0;
        if (!ReadFile(file, bytes + total, size - total, &read, nullptr) || read == 0)
            return false;
        total += read;
    }
    return true;
}

// The whole content of the open file, read straight into the memory of a
// stream of its own.
bool ReadIntoStream(HANDLE file, qz_xml::internal::ScopedInterface<IStream>& stream)
{
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file, &size) || size.QuadPart == 0 || size.QuadPart > kMaxManifestBytes)
        return false;
    ULARGE_INTEGER streamSize;
    streamSize.QuadPart = static_cast<ULONGLONG>(size.QuadPart);
    HGLOBAL memory = nullptr;
    if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive())) || FAILED(stream->SetSize(streamSize))
        || FAILED(GetHGlobalFromStream(stream.get(), &memory)))
        return false;
    BYTE* bytes = static_cast<BYTE*>(GlobalLock(memory));
    if (!bytes)
        return false;
    bool read = ReadWhole(file, bytes, static_cast<DWORD>(size.QuadPart));
    GlobalUnlock(memory);
    return read;
}

// Whether the folder is the top of the tree or lies below it, judged level
// by level as it is opened, not by the spelling of the two paths.
bool LiesInTree(const std::wstring& folder, const std::wstring& tree)
{
    FolderBounds treeOnly;
    if (!treeOnly.AddTree(tree))
        return false;
    LinkFreeFolders folders;
    folders.KeepWithin(treeOnly);
    OpenedEntry entry;
    return folders.Open(folder, 0, entry) == EntryOpening::Opened;
}

} // namespace

bool LoadUninstallManifest(qz_xml::QXMLDocument& manifest, const std::wstring& path, bool& trusted)
{
    // The file that is judged is the file that is read: both go through the
    // same handles, opened without links, so that a folder renamed or
    // swapped in between cannot hand over another manifest.
    LinkFreeFolders levels;
    OpenedEntry folder;
    OpenedEntry file;
    if (levels.Open(FolderOfPath(path), READ_CONTROL, folder) != EntryOpening::Opened || folder.isLink
        || !(folder.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    if (levels.Open(path, READ_CONTROL | FILE_READ_DATA, file) != EntryOpening::Opened || file.isLink
        || (file.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    bool leftToAdministrators = IsLeftToAdministrators(folder.handle.get(), file.handle.get());
    qz_xml::internal::ScopedInterface<IStream> stream;
    if (!ReadIntoStream(file.handle.get(), stream) || !manifest.Load(stream.get()))
        return false;
    trusted = leftToAdministrators && !IsCurrentUserMode(manifest);
    return true;
}

bool IsChangeableOnlyByAdministrators(PSECURITY_DESCRIPTOR descriptor, PSID user)
{
    TrustSidList administrators;
    TrustSidList users;
    if (!administrators.AddWellKnown(WinBuiltinAdministratorsSid) || !administrators.AddWellKnown(WinLocalSystemSid)
        || !administrators.AddTrustedInstaller() || !users.AddWellKnown(WinBuiltinUsersSid)
        || !users.AddWellKnown(WinAuthenticatedUserSid) || !users.AddWellKnown(WinWorldSid)
        || !users.AddWellKnown(WinInteractiveSid) || !users.Add(user))
        return false;

    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) || !owner || !administrators.Holds(owner))
        return false;
    // No DACL at all lets everyone do everything.
    BOOL present = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || !dacl)
        return false;
    for (DWORD index = 0; index < dacl->AceCount; ++index) {
        void* ace = nullptr;
        if (!GetAce(dacl, index, &ace))
            return false;
        const ACE_HEADER* header = static_cast<const ACE_HEADER*>(ace);
        // A denial only takes rights away.
        if (IsDeniedAce(header->AceType))
            continue;
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE && header->AceType != ACCESS_ALLOWED_CALLBACK_ACE_TYPE)
            return false;
        const ACCESS_ALLOWED_ACE* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(ace);
        if (!(allowed->Mask & kChangeRights))
            continue;
        PSID grantee = const_cast<DWORD*>(&allowed->SidStart);
        bool handedDownOnly = (header->AceFlags & INHERIT_ONLY_ACE) != 0;
        if (handedDownOnly ? users.Holds(grantee) : !administrators.Holds(grantee))
            return false;
    }
    return true;
}

void BoundUntrustedManifest(FolderBounds& bounds, const std::wstring& installationFolder,
                            const std::wstring& profileFolder)
{
    bounds.AddTree(installationFolder);
    // The core runs with the profile of whoever confirmed the elevation: an
    // administrator's, when their credentials were typed for another user.
    // That user's manifest must not reach it.
    if (!profileFolder.empty() && LiesInTree(installationFolder, profileFolder))
        bounds.AddTree(profileFolder);
    std::wstring below = installationFolder;
    for (std::wstring level = FolderOfPath(below); !level.empty() && level.size() < below.size();
         level = FolderOfPath(level)) {
        bounds.AddFolder(level);
        below = level;
    }
}
