#include "packsfx/payload.h"

#include <cstring>
#include <vector>

const char kPayloadMagic[8] = {'T', 'v', 'S', 'f', 'x', 'C', 'a', 'b'};

namespace {

bool ReadAt(HANDLE file, uint64_t offset, void* buffer, DWORD size)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    DWORD read = 0;
    return SetFilePointerEx(file, position, nullptr, FILE_BEGIN) && ReadFile(file, buffer, size, &read, nullptr)
        && read == size;
}

// Slicing by eight: eight tables, eight bytes a step; the cabinet of a
// large package is read whole before anything is unpacked.
struct Crc32Table {
    uint32_t entries[8][256];
    Crc32Table()
    {
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int bit = 0; bit < 8; ++bit)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            entries[0][i] = c;
        }
        for (uint32_t i = 0; i < 256; ++i) {
            for (int k = 1; k < 8; ++k)
                entries[k][i] = (entries[k - 1][i] >> 8) ^ entries[0][entries[k - 1][i] & 0xFF];
        }
    }
};

// The end of the program's own image: its last section's raw data.
bool ReadImageEnd(HANDLE file, uint64_t& imageEnd)
{
    IMAGE_DOS_HEADER dos;
    if (!ReadAt(file, 0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE || dos.e_lfanew <= 0)
        return false;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    uint64_t at = static_cast<uint64_t>(dos.e_lfanew);
    if (!ReadAt(file, at, &signature, sizeof(signature)) || signature != IMAGE_NT_SIGNATURE
        || !ReadAt(file, at + 4, &header, sizeof(header)))
        return false;
    uint64_t sections = at + 4 + sizeof(header) + header.SizeOfOptionalHeader;
    imageEnd = 0;
    for (WORD i = 0; i < header.NumberOfSections; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file, sections + i * sizeof(section), &section, sizeof(section)))
            return false;
        uint64_t end = static_cast<uint64_t>(section.PointerToRawData) + section.SizeOfRawData;
        if (section.SizeOfRawData != 0 && end > imageEnd)
            imageEnd = end;
    }
    return imageEnd != 0;
}

bool FileSize(HANDLE file, uint64_t& size)
{
    LARGE_INTEGER value;
    if (!GetFileSizeEx(file, &value))
        return false;
    size = static_cast<uint64_t>(value.QuadPart);
    return true;
}

} // namespace

uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size)
{
    static const Crc32Table table;
    const uint32_t(&t)[8][256] = table.entries;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (; size >= 8; size -= 8, bytes += 8) {
        uint32_t low = crc ^ (static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8
                              | static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24);
        crc = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24]
              ^ t[3][bytes[4]] ^ t[2][bytes[5]] ^ t[1][bytes[6]] ^ t[0][bytes[7]];
    }
    for (; size > 0; --size, ++bytes)
        crc = t[0][(crc ^ *bytes) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

bool FindEndBeforeCertificate(HANDLE file, uint64_t& end)
{
    uint64_t size = 0;
    IMAGE_DOS_HEADER dos;
    if (!FileSize(file, size) || !ReadAt(file, 0, &dos, sizeof(dos)) || dos.e_magic != IMAGE_DOS_SIGNATURE)
        return false;
    // The optional header's magic says whether its data directories follow
    // the 32-bit or the 64-bit layout.
    uint64_t optional = static_cast<uint64_t>(dos.e_lfanew) + 4 + sizeof(IMAGE_FILE_HEADER);
    WORD magic = 0;
    if (!ReadAt(file, optional, &magic, sizeof(magic)))
        return false;
    uint64_t directories;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC)
        directories = optional + offsetof(IMAGE_OPTIONAL_HEADER32, DataDirectory);
    else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC)
        directories = optional + offsetof(IMAGE_OPTIONAL_HEADER64, DataDirectory);
    else
        return false;
    IMAGE_DATA_DIRECTORY security;
    if (!ReadAt(file, directories + IMAGE_DIRECTORY_ENTRY_SECURITY * sizeof(IMAGE_DATA_DIRECTORY), &security,
                sizeof(security)))
        return false;
    // The security directory holds a file offset, not an address.
    if (security.VirtualAddress == 0 || security.Size == 0) {
        end = size;
        return true;
    }
    if (security.VirtualAddress > size)
        return false;
    end = security.VirtualAddress;
    return true;
}

PayloadLocation LocatePayload(HANDLE file, PayloadRange& range)
{
    uint64_t end = 0;
    uint64_t imageEnd = 0;
    if (!FindEndBeforeCertificate(file, end) || !ReadImageEnd(file, imageEnd))
        return PayloadLocation::Unreadable;
    // A signer pads to 8 bytes with zeros before the certificate.
    char tail[sizeof(PayloadTrailer) + 7];
    if (end < imageEnd + sizeof(tail))
        return PayloadLocation::Missing;
    if (!ReadAt(file, end - sizeof(tail), tail, sizeof(tail)))
        return PayloadLocation::Unreadable;
    size_t last = sizeof(tail);
    for (int padding = 0; padding < 7 && last > 0 && tail[last - 1] == 0; ++padding)
        --last;
    if (last < sizeof(PayloadTrailer))
        return PayloadLocation::Missing;
    PayloadTrailer trailer;
    memcpy(&trailer, tail + last - sizeof(PayloadTrailer), sizeof(trailer));
    if (memcmp(trailer.magic, kPayloadMagic, sizeof(kPayloadMagic)) != 0)
        return PayloadLocation::Missing;
    uint64_t trailerStart = end - (sizeof(tail) - last) - sizeof(PayloadTrailer);
    if (trailer.cabinetOffset < imageEnd || trailer.cabinetSize == 0 || trailer.cabinetOffset > trailerStart
        || trailer.cabinetSize != trailerStart - trailer.cabinetOffset)
        return PayloadLocation::Damaged;
    range.offset = trailer.cabinetOffset;
    range.size = trailer.cabinetSize;
    range.crc = trailer.cabinetCrc;
    return PayloadLocation::Found;
}

bool PayloadChecksumMatches(HANDLE file, const PayloadRange& range)
{
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(range.offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return false;
    std::vector<unsigned char> buffer(1 << 20);
    uint32_t crc = 0;
    uint64_t left = range.size;
    while (left > 0) {
        DWORD chunk = static_cast<DWORD>(left < buffer.size() ? left : buffer.size());
        DWORD read = 0;
        if (!ReadFile(file, buffer.data(), chunk, &read, nullptr) || read != chunk)
            return false;
        crc = UpdateCrc32(crc, buffer.data(), chunk);
        left -= chunk;
    }
    return crc == range.crc;
}
