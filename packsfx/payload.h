#pragma once

#include <windows.h>

#include <cstdint>

// A self-extracting package is the stub program, a cabinet appended to it and
// a trailer of 32 bytes after the cabinet that says where it lies and what
// its checksum is. An Authenticode signature may follow the trailer: the PE
// security directory says where it starts, and a signer pads the file to 8
// bytes before it, so the trailer is looked for just before the certificate,
// past at most 7 zero bytes.
struct PayloadTrailer {
    uint64_t cabinetOffset;  // from the start of the file
    uint64_t cabinetSize;
    uint32_t cabinetCrc;     // CRC-32 of the cabinet's bytes
    uint32_t reserved;
    char magic[8];           // kPayloadMagic, the file's last bytes unless signed
};
static_assert(sizeof(PayloadTrailer) == 32, "the trailer is written as it is laid out");

extern const char kPayloadMagic[8];

// Where the cabinet lies in the file; valid only when LocatePayload said so.
struct PayloadRange {
    uint64_t offset = 0;
    uint64_t size = 0;
    uint32_t crc = 0;
};

enum class PayloadLocation {
    Found,
    Missing,  // no trailer: the file is cut short, or no package was appended
    Damaged,  // a trailer whose numbers do not fit the file
    Unreadable,
};

// Reads the trailer of an open executable and checks that the cabinet it
// names lies between the program's image and the trailer.
PayloadLocation LocatePayload(HANDLE file, PayloadRange& range);

// Reads the cabinet once and compares its CRC-32 with the trailer's.
bool PayloadChecksumMatches(HANDLE file, const PayloadRange& range);

// CRC-32 (the polynomial of zip and PNG), continued from an earlier value;
// start with 0.
uint32_t UpdateCrc32(uint32_t crc, const void* data, size_t size);

// Where the file's Authenticode certificate starts, or the file's size when
// it has none. False when the file is not a readable PE image.
bool FindEndBeforeCertificate(HANDLE file, uint64_t& end);
