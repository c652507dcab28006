#include "packsfx/unpack_target.h"

#include <windows.h>

#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/unpack_folder.h"
#include "packsetup/unpack_folder_name.h"

namespace {

// The level as a folder of its own, reached without a link.
UnpackTarget CheckLevel(const std::wstring& path)
{
    OpenedEntry entry;
    EntryOpening opening = OpenEntryWithoutLinks(path, FILE_READ_ATTRIBUTES, entry);
    if (opening == EntryOpening::Refused || (opening == EntryOpening::Opened && entry.isLink))
        return UnpackTarget::LinkOnWay;
    if (opening != EntryOpening::Opened || !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return UnpackTarget::NotCreated;
    return UnpackTarget::Ready;
}

} // namespace

UnpackTarget PrepareUnpackFolder(const std::wstring& appDataFolder, const std::wstring& unpackFolder,
                                 const std::wstring& unpackPath)
{
    RemoveUnpackedPackage(appDataFolder, unpackFolder);

    std::wstring normalized;
    if (!NormalizeUnpackFolder(unpackFolder, normalized))
        return UnpackTarget::NotCreated;
    std::wstring level(appDataFolder);
    RemoveOneTrailingBackslash(level);
    UnpackTarget top = CheckLevel(level);
    if (top != UnpackTarget::Ready)
        return top;
    size_t start = 0;
    for (;;) {
        size_t end = normalized.find(L'\\', start);
        bool last = end == std::wstring::npos;
        if (level.back() != L'\\')
            level += L'\\';
        level += normalized.substr(start, last ? std::wstring::npos : end - start);
        bool created = CreateDirectoryW(level.c_str(), nullptr) != FALSE;
        DWORD error = created ? ERROR_SUCCESS : GetLastError();
        if (!created && error != ERROR_ALREADY_EXISTS)
            return UnpackTarget::NotCreated;
        UnpackTarget state = CheckLevel(level);
        if (state != UnpackTarget::Ready)
            return state;
        if (last)
            return created && level == unpackPath ? UnpackTarget::Ready : UnpackTarget::NotEmptied;
        start = end + 1;
    }
}
