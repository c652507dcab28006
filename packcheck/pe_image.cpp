#include "packcheck/pe_image.h"

#include <algorithm>
#include <cstring>

#include "common/win/scoped_handle.h"

namespace {

// Enough for the headers and export table of any setup program or library;
// a larger file is read only that far.
const std::size_t kMaxMappedBytes = 512u << 20;
// No export name is longer than this in practice; a longer one is damage.
const std::size_t kMaxExportNameLength = 4096;

// A view of a file mapping, unmapped on every path.
class MappedView {
public:
    explicit MappedView(void* view) : view_(view) {}
    ~MappedView()
    {
        if (view_)
            UnmapViewOfFile(view_);
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    const void* get() const { return view_; }

private:
    void* view_;
};

// Offsets are 64-bit: sums of header fields never wrap, in either build.
typedef ULONGLONG Offset;

// Bounds-checked little-endian reads from the image bytes.
class ImageBytes {
public:
    ImageBytes(const unsigned char* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

    bool Holds(Offset offset, Offset length) const
    {
        return offset <= size_ && length <= size_ - offset;
    }
    bool Word(Offset offset, WORD& value) const
    {
        if (!Holds(offset, 2))
            return false;
        const unsigned char* at = bytes_ + static_cast<std::size_t>(offset);
        value = static_cast<WORD>(at[0] | (at[1] << 8));
        return true;
    }
    bool Dword(Offset offset, DWORD& value) const
    {
        WORD low = 0, high = 0;
        if (!Word(offset, low) || !Word(offset + 2, high))
            return false;
        value = low | (static_cast<DWORD>(high) << 16);
        return true;
    }
    // A zero-terminated ASCII string that ends within the bytes.
    bool String(Offset offset, std::string& value) const
    {
        if (offset >= size_)
            return false;
        std::size_t limit = std::min(size_ - static_cast<std::size_t>(offset), kMaxExportNameLength);
        const unsigned char* start = bytes_ + static_cast<std::size_t>(offset);
        const void* end = std::memchr(start, 0, limit);
        if (!end)
            return false;
        value.assign(reinterpret_cast<const char*>(start), static_cast<const unsigned char*>(end) - start);
        return true;
    }

private:
    const unsigned char* bytes_;
    std::size_t size_;
};

struct Section {
    DWORD virtualAddress;
    DWORD virtualSize;
    DWORD rawSize;
    DWORD rawOffset;
};

// Where an address of the loaded image lies in the file: inside a section's
// raw data, or in the headers before the first section.
bool FileOffsetOf(const std::vector<Section>& sections, DWORD headersSize, DWORD rva, Offset& offset)
{
    for (const Section& section : sections) {
        DWORD extent = std::max(section.virtualSize, section.rawSize);
        if (rva >= section.virtualAddress && rva - section.virtualAddress < extent) {
            DWORD within = rva - section.virtualAddress;
            if (within >= section.rawSize)
                return false;
            offset = static_cast<Offset>(section.rawOffset) + within;
            return true;
        }
    }
    if (rva < headersSize) {
        offset = rva;
        return true;
    }
    return false;
}

bool ReadExportNames(const ImageBytes& image, const std::vector<Section>& sections, DWORD headersSize,
                     DWORD exportRva, std::vector<std::string>& names)
{
    Offset directory = 0;
    DWORD nameCount = 0, namesRva = 0;
    if (!FileOffsetOf(sections, headersSize, exportRva, directory) || !image.Dword(directory + 24, nameCount)
        || !image.Dword(directory + 32, namesRva))
        return false;
    if (nameCount == 0)
        return true;
    Offset table = 0;
    // The whole table must be in the file.
    if (!FileOffsetOf(sections, headersSize, namesRva, table) || !image.Holds(table, nameCount * Offset{4}))
        return false;
    for (DWORD i = 0; i < nameCount; ++i) {
        DWORD nameRva = 0;
        Offset nameOffset = 0;
        std::string name;
        if (!image.Dword(table + i * Offset{4}, nameRva)
            || !FileOffsetOf(sections, headersSize, nameRva, nameOffset) || !image.String(nameOffset, name))
            return false;
        names.push_back(name);
    }
    return true;
}

} // namespace

bool ParsePeImage(const unsigned char* bytes, std::size_t size, PeImageFacts& facts)
{
    facts = PeImageFacts();
    ImageBytes image(bytes, size);
    WORD dosMagic = 0;
    DWORD peOffset = 0, signature = 0;
    if (!image.Word(0, dosMagic) || dosMagic != IMAGE_DOS_SIGNATURE || !image.Dword(0x3c, peOffset)
        || !image.Dword(peOffset, signature) || signature != IMAGE_NT_SIGNATURE)
        return false;

    const Offset fileHeader = Offset{peOffset} + 4;
    WORD sectionCount = 0, optionalSize = 0, optionalMagic = 0;
    if (!image.Word(fileHeader, facts.machine) || !image.Word(fileHeader + 2, sectionCount)
        || !image.Word(fileHeader + 16, optionalSize) || !image.Word(fileHeader + 18, facts.characteristics))
        return false;

    // The optional header differs between PE32 and PE32+ only in where the
    // data directories begin.
    const Offset optional = fileHeader + 20;
    if (!image.Word(optional, optionalMagic))
        return false;
    Offset directoryCountAt = 0;
    if (optionalMagic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        directoryCountAt = optional + 92;
    else if (optionalMagic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        directoryCountAt = optional + 108;
    else
        return false;
    DWORD headersSize = 0, directoryCount = 0;
    if (!image.Word(optional + 68, facts.subsystem) || !image.Dword(optional + 60, headersSize)
        || !image.Dword(directoryCountAt, directoryCount) || directoryCountAt + 4 > optional + optionalSize)
        return false;

    std::vector<Section> sections;
    const Offset sectionTable = optional + optionalSize;
    for (WORD i = 0; i < sectionCount; ++i) {
        const Offset entry = sectionTable + i * Offset{40};
        Section section = {};
        if (!image.Dword(entry + 8, section.virtualSize) || !image.Dword(entry + 12, section.virtualAddress)
            || !image.Dword(entry + 16, section.rawSize) || !image.Dword(entry + 20, section.rawOffset))
            return false;
        sections.push_back(section);
    }

    // The export directory is the first data directory; an image without one
    // exports nothing.
    DWORD exportRva = 0, exportSize = 0;
    const Offset exportEntry = directoryCountAt + 4;
    if (directoryCount == 0 || exportEntry + 8 > optional + optionalSize)
        return true;
    if (!image.Dword(exportEntry, exportRva) || !image.Dword(exportEntry + 4, exportSize))
        return false;
    if (exportRva == 0 || exportSize == 0)
        return true;
    return ReadExportNames(image, sections, headersSize, exportRva, facts.exportNames);
}

bool ReadPeImageFile(const std::wstring& path, PeImageFacts& facts)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER fileSize = {};
    if (!file || !GetFileSizeEx(file.get(), &fileSize) || fileSize.QuadPart <= 0)
        return false;
    std::size_t size = static_cast<std::size_t>(
        std::min<ULONGLONG>(static_cast<ULONGLONG>(fileSize.QuadPart), kMaxMappedBytes));
    ScopedHandle mapping(CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (!mapping)
        return false;
    MappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, size));
    return view.get() && ParsePeImage(static_cast<const unsigned char*>(view.get()), size, facts);
}

bool ExportsName(const PeImageFacts& facts, const char* name)
{
    return std::find(facts.exportNames.begin(), facts.exportNames.end(), name) != facts.exportNames.end();
}
