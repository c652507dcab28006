#include "packcheck/image_check.h"

#include <windows.h>

#include <set>

#include "packcheck/image_names.h"
#include "packcheck/long_paths.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/package_paths.h"

namespace {

const wchar_t kImage[] = L"image";

// "image\..." for a path the scan of the image folder listed.
std::wstring PackagePlace(const std::wstring& scannedImage, const std::wstring& fullPath)
{
    return kImage + fullPath.substr(scannedImage.size());
}

// Adds one problem for the paths that do not fit MAX_PATH, naming the
// longest; the longest path, fitting or not, goes to longest.
void CheckPathLengths(const std::wstring& scannedImage, const std::vector<FolderScanEntry>& entries,
                      const std::wstring& top, const wchar_t* code, const std::wstring& what,
                      std::wstring& longest, ProblemList& problems)
{
    const FolderScanEntry* longestEntry = nullptr;
    size_t overlong = 0;
    for (const FolderScanEntry& entry : entries) {
        std::wstring path = top + entry.relativePath;
        if (!FitsMaxPath(path))
            ++overlong;
        if (!longestEntry || path.size() > longest.size()) {
            longestEntry = &entry;
            longest = path;
        }
    }
    if (overlong == 0)
        return;
    size_t lacking = longest.size() - (MAX_PATH - 1);
    std::wstring text = what + L" of " + std::to_wstring(longest.size()) + L" characters, "
                        + std::to_wstring(lacking) + L" more than " + std::to_wstring(MAX_PATH - 1) + L": " + longest;
    if (overlong > 1)
        text += L" (and " + std::to_wstring(overlong - 1) + L" more that do not fit)";
    problems.Problem(code, PackagePlace(scannedImage, longestEntry->fullPath), std::wstring(), text);
}

} // namespace

ImageSummary CheckImage(const std::wstring& packageFolder, const std::wstring& installFolder,
                        const std::wstring& unpackedImageFolder, ProblemList& problems)
{
    ImageSummary summary;
    std::wstring imageFolder = ExtendedLengthPath(packageFolder + L"\\" + kImage);
    DWORD attributes = GetFileAttributesW(imageFolder.c_str());
    FolderScanner scanner(kExtendedPathLimit);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)
        || !scanner.Scan(imageFolder.c_str(), std::wstring())) {
        problems.Problem(L"no-image", kImage, std::wstring(), L"missing");
        return summary;
    }
    for (const std::wstring& link : scanner.Links())
        problems.Problem(L"link", PackagePlace(imageFolder, link), std::wstring(),
                         L"junction or symbolic link; the installer refuses a package that holds one");
    for (const std::wstring& path : scanner.OverlongPaths())
        problems.Problem(L"not-listed", PackagePlace(imageFolder, path), std::wstring(),
                         L"path too long for Windows to list");
    for (const std::wstring& folder : scanner.UnreadableFolders())
        problems.Problem(L"not-listed", PackagePlace(imageFolder, folder), std::wstring(),
                         L"cannot be listed; the installer refuses it");
    CheckImageNames(scanner.Entries(), problems);

    CheckPathLengths(imageFolder, scanner.Entries(), installFolder, L"target-path-too-long", L"target path",
                     summary.longestTarget, problems);
    if (!unpackedImageFolder.empty())
        CheckPathLengths(imageFolder, scanner.Entries(), unpackedImageFolder, L"source-path-too-long",
                         L"source path on the user's machine", summary.longestSource, problems);

    // The folders that hold something.
    std::set<std::wstring> filled;
    for (const FolderScanEntry& entry : scanner.Entries())
        filled.insert(entry.relativePath.substr(0, entry.relativePath.find_last_of(L'\\')));
    for (const FolderScanEntry& entry : scanner.Entries()) {
        if (entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ++summary.folders;
            if (!filled.count(entry.relativePath) && !(entry.findData.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                problems.Warning(L"empty-folder", PackagePlace(imageFolder, entry.fullPath), std::wstring(),
                                 L"empty folder: recorded in the uninstall manifest, but not created on the user's machine");
            continue;
        }
        ++summary.files;
        uint64_t size = (static_cast<uint64_t>(entry.findData.nFileSizeHigh) << 32) | entry.findData.nFileSizeLow;
        summary.totalSize += size;
        if (entry.findData.nFileSizeHigh != 0)
            problems.Problem(L"file-too-large", PackagePlace(imageFolder, entry.fullPath), std::wstring(),
                             std::to_wstring(size) + L" bytes, 4 GiB or more: the installer's free-space check counts only the low 32 bits of its size");
    }
    if (summary.files == 0)
        problems.Problem(L"no-files", kImage, std::wstring(), L"holds no files");
    return summary;
}
