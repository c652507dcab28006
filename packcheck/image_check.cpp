#include "packcheck/image_check.h"

#include <windows.h>

#include "packsetup/folder_scanner.h"
#include "packsetup/package_paths.h"

namespace {

const wchar_t kImage[] = L"image";

// "image\..." for a path below the package folder.
std::wstring PackagePlace(const std::wstring& packageFolder, const std::wstring& fullPath)
{
    return fullPath.substr(packageFolder.size() + 1);
}

} // namespace

ImageSummary CheckImage(const std::wstring& packageFolder, const std::wstring& installFolder, ProblemList& problems)
{
    ImageSummary summary;
    std::wstring imageFolder = packageFolder + L"\\" + kImage;
    DWORD attributes = GetFileAttributesW(imageFolder.c_str());
    FolderScanner scanner;
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        || !scanner.Scan(imageFolder.c_str(), std::wstring())) {
        problems.Add(kImage, L"missing");
        return summary;
    }
    for (const std::wstring& link : scanner.Links())
        problems.Add(PackagePlace(packageFolder, link),
                     L"junction or symbolic link; the installer refuses a package that holds one");
    for (const std::wstring& path : scanner.OverlongPaths())
        problems.Add(PackagePlace(packageFolder, path), L"path too long to be listed; the installer refuses it");
    for (const std::wstring& folder : scanner.UnreadableFolders())
        problems.Add(PackagePlace(packageFolder, folder), L"cannot be listed; the installer refuses it");

    std::wstring folder = installFolder;
    RemoveOneTrailingBackslash(folder);
    const FolderScanEntry* longest = nullptr;
    size_t overlong = 0;
    for (const FolderScanEntry& entry : scanner.Entries()) {
        std::wstring target = folder + entry.relativePath;
        if (!FitsMaxPath(target))
            ++overlong;
        if (!longest || target.size() > summary.longestTarget.size()) {
            longest = &entry;
            summary.longestTarget = target;
        }
        if (entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ++summary.folders;
            continue;
        }
        ++summary.files;
        uint64_t size = (static_cast<uint64_t>(entry.findData.nFileSizeHigh) << 32) | entry.findData.nFileSizeLow;
        summary.totalSize += size;
        if (entry.findData.nFileSizeHigh != 0)
            problems.Add(PackagePlace(packageFolder, entry.fullPath),
                         std::to_wstring(size) + L" bytes, 4 GiB or more: the installer's free-space check counts only the low 32 bits of its size");
    }
    if (summary.files == 0)
        problems.Add(kImage, L"holds no files");
    if (overlong > 0) {
        size_t lacking = summary.longestTarget.size() - (MAX_PATH - 1);
        std::wstring text = L"target path of " + std::to_wstring(summary.longestTarget.size())
                            + L" characters, " + std::to_wstring(lacking) + L" more than "
                            + std::to_wstring(MAX_PATH - 1) + L": " + summary.longestTarget;
        if (overlong > 1)
            text += L" (and " + std::to_wstring(overlong - 1) + L" more that do not fit)";
        problems.Add(PackagePlace(packageFolder, longest->fullPath), text);
    }
    return summary;
}
