#pragma once

#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

// What the package checker needs to know of a program or DLL that the
// installer will start or load: the machine it was built for, whether it is
// a program or a DLL, its subsystem and the names it exports.
struct PeImageFacts {
    WORD machine = 0;          // IMAGE_FILE_MACHINE_I386 (0x14c) for 32-bit x86
    WORD characteristics = 0;  // IMAGE_FILE_DLL, IMAGE_FILE_EXECUTABLE_IMAGE, ...
    WORD subsystem = 0;        // IMAGE_SUBSYSTEM_WINDOWS_GUI, ..._CUI, ...
    std::vector<std::string> exportNames;
};

// Reads the headers and the export names of an image held in memory. False
// when it is no PE image, or when a header or the export table lies outside
// the bytes given.
bool ParsePeImage(const unsigned char* bytes, std::size_t size, PeImageFacts& facts);

// The same for a file, read through a mapping of at most its first 512 MiB.
// False also when the file cannot be opened or mapped.
bool ReadPeImageFile(const std::wstring& path, PeImageFacts& facts);

// Whether the facts name the given export.
bool ExportsName(const PeImageFacts& facts, const char* name);
