#include "packcheck/self_extractor_build.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "common/win/file_names.h"
#include "common/win/scoped_handle.h"
#include "common/win/temporary_file.h"
#include "packcheck/cabinet_writer.h"
#include "packcheck/long_paths.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/package_definition.h"
#include "packsfx/payload.h"

namespace {

// Whether the file looks like data that deflate cannot shrink (pictures,
// sound and archives that are compressed already): the bytes of its first
// megabyte spread almost evenly over all 256 values. Deflate would wrap such
// data in stored blocks, a few bytes each 32 KiB dearer than storing it.
// Small files are always compressed: the saving is nothing there.
bool LooksIncompressible(const std::wstring& path, uint64_t size)
{
    const uint64_t kSmallest = 256 * 1024;
    const DWORD kSample = 1024 * 1024;
    if (size < kSmallest)
        return false;
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    std::vector<unsigned char> sample(size < kSample ? static_cast<size_t>(size) : kSample);
    DWORD read = 0;
    if (!file || !ReadFile(file.get(), sample.data(), static_cast<DWORD>(sample.size()), &read, nullptr) || read == 0)
        return false;
    uint64_t counts[256] = {};
    for (DWORD i = 0; i < read; ++i)
        ++counts[sample[i]];
    double entropy = 0;
    for (uint64_t count : counts) {
        if (count != 0) {
            double share = static_cast<double>(count) / read;
            entropy -= share * std::log2(share);
        }
    }
    return entropy > 7.99;
}

bool ListPackage(const SelfExtractorInput& input, std::vector<CabinetEntry>& entries, std::wstring& error)
{
    FolderScanner scanner(kExtendedPathLimit);
    if (!scanner.Scan(ExtendedLengthPath(input.packageFolder).c_str(), std::wstring()) || !scanner.Complete()) {
        error = L"the package folder cannot be listed completely (a link or an unreadable folder): "
                + input.packageFolder;
        return false;
    }
    std::wstring program = ProgramForDefinition(input.definitionName);
    entries.push_back({input.packageFolder + L"\\" + input.definitionName, input.definitionName});
    entries.push_back({input.installerPath, program});
    for (const FolderScanEntry& entry : scanner.Entries()) {
        if (entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        std::wstring name = entry.relativePath.substr(1);
        if (SameFileName(name, input.definitionName))
            continue;
        // The package's own installer takes the place of the one given.
        if (SameFileName(name, program)) {
            entries[1].sourcePath = entry.fullPath;
            continue;
        }
        uint64_t size = (static_cast<uint64_t>(entry.findData.nFileSizeHigh) << 32) | entry.findData.nFileSizeLow;
        entries.push_back({entry.fullPath, name, LooksIncompressible(entry.fullPath, size)});
    }
    // The stored files together at the end, in a folder of their own.
    std::stable_partition(entries.begin() + 2, entries.end(), [](const CabinetEntry& e) { return !e.stored; });
    return true;
}

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

// Appends a whole file and returns its CRC-32.
bool AppendFile(HANDLE output, const std::wstring& path, uint64_t& size, uint32_t& crc)
{
    ScopedHandle input(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!input)
        return false;
    std::vector<char> buffer(1 << 20);
    size = 0;
    crc = 0;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(input.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            return true;
        if (!WriteAll(output, buffer.data(), read))
            return false;
        crc = UpdateCrc32(crc, buffer.data(), read);
        size += read;
    }
}

bool SizeOfFile(const std::wstring& path, uint64_t& size)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data))
        return false;
    size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return true;
}

std::wstring SystemError(DWORD code)
{
    return L" (system error " + std::to_wstring(code) + L")";
}

} // namespace

bool BuildSelfExtractor(const SelfExtractorInput& input, const std::wstring& outputPath, std::wstring& error)
{
    std::vector<CabinetEntry> entries;
    if (!ListPackage(input, entries, error))
        return false;
    uint64_t stubSize = 0;
    if (!SizeOfFile(input.stubPath, stubSize)
        || GetFileAttributesW(entries[1].sourcePath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        error = L"the stub or the installer cannot be read: " + input.stubPath + L", " + entries[1].sourcePath;
        return false;
    }

    TemporaryFile cabinet(outputPath + L".cab-part");
    if (!WriteCabinet(cabinet.path(), entries, error))
        return false;
    uint64_t cabinetSize = 0;
    if (!SizeOfFile(cabinet.path(), cabinetSize)) {
        error = L"the cabinet cannot be read back" + SystemError(GetLastError());
        return false;
    }

    TemporaryFile part(outputPath + L".part");
    ScopedHandle output(CreateFileW(part.path().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!output) {
        error = L"cannot write " + part.path() + SystemError(GetLastError());
        return false;
    }
    uint64_t copied = 0;
    uint32_t ignored = 0;
    if (!AppendFile(output.get(), input.stubPath, copied, ignored) || copied != stubSize) {
        error = L"cannot copy the stub " + input.stubPath + SystemError(GetLastError());
        return false;
    }
    // Zeros before the cabinet make the whole file a multiple of 8 bytes, so
    // that a signer appends its certificate right after the trailer.
    static const char kZeros[8] = {};
    DWORD padding = static_cast<DWORD>((8 - (stubSize + cabinetSize + sizeof(PayloadTrailer)) % 8) % 8);
    PayloadTrailer trailer = {};
    trailer.cabinetOffset = stubSize + padding;
    if (!WriteAll(output.get(), kZeros, padding)
        || !AppendFile(output.get(), cabinet.path(), trailer.cabinetSize, trailer.cabinetCrc)
        || trailer.cabinetSize != cabinetSize) {
        error = L"cannot write " + part.path() + SystemError(GetLastError());
        return false;
    }
    memcpy(trailer.magic, kPayloadMagic, sizeof(trailer.magic));
    if (!WriteAll(output.get(), &trailer, sizeof(trailer)) || !FlushFileBuffers(output.get())) {
        error = L"cannot write " + part.path() + SystemError(GetLastError());
        return false;
    }
    output.Reset();
    if (!MoveFileExW(part.path().c_str(), outputPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = L"cannot replace " + outputPath + SystemError(GetLastError());
        return false;
    }
    part.Keep();
    return true;
}
