#include "packsfx/unpack_target.h"

#include <windows.h>

#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/unpack_folder.h"
#include "packsetup/unpack_folder_name.h"

namespace {

const ACCESS_MASK kCreateInside = FILE_ADD_SUBDIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE;

UnpackTarget LevelState(EntryOpening opening, const OpenedEntry& entry)
{
    if (opening == EntryOpening::Refused || (opening == EntryOpening::Opened && entry.isLink))
        return UnpackTarget::LinkOnWay;
    if (opening != EntryOpening::Opened || !(entry.attributes & FILE_ATTRIBUTE_DIRECTORY))
        return UnpackTarget::NotCreated;
    return UnpackTarget::Ready;
}

} // namespace

UnpackTarget PrepareUnpackFolder(const std::wstring& appDataFolder, const std::wstring& unpackFolder)
{
    RemoveUnpackedPackage(appDataFolder, unpackFolder);

    std::wstring normalized;
    if (!NormalizeUnpackFolder(unpackFolder, normalized))
        return UnpackTarget::NotCreated;
    std::wstring level(appDataFolder);
    RemoveOneTrailingBackslash(level);
    OpenedEntry folder;
    UnpackTarget state = LevelState(OpenEntryWithoutLinks(level, kCreateInside, folder), folder);
    if (state != UnpackTarget::Ready)
        return state;
    // Each level is created or opened inside the one above, by its handle.
    size_t start = 0;
    for (;;) {
        size_t end = normalized.find(L'\\', start);
        bool last = end == std::wstring::npos;
        std::wstring name = normalized.substr(start, last ? std::wstring::npos : end - start);
        OpenedEntry inside;
        bool created = false;
        state = LevelState(OpenOrCreateFolderIn(folder.handle.get(), level, name, kCreateInside, inside, created),
                           inside);
        if (state != UnpackTarget::Ready)
            return state;
        if (level.back() != L'\\')
            level += L'\\';
        level += name;
        if (last)
            return created ? UnpackTarget::Ready : UnpackTarget::NotEmptied;
        folder = std::move(inside);
        start = end + 1;
    }
}
