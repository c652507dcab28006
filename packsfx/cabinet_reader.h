#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// The cabinet inside the running program's file: an open handle of the file
// and where in it the cabinet lies. The file is read at explicit offsets.
struct CabinetSource {
    HANDLE file = nullptr;
    uint64_t offset = 0;
    uint64_t size = 0;
};

struct CabinetListing {
    std::vector<std::wstring> names;  // as ArchiveNameInsideFolder gives them, in cabinet order
    uint64_t totalSize = 0;
    std::string firstFile;            // the content of the first file
    std::wstring refusedName;         // set when a name escapes the unpack folder
};

// Lists the cabinet through the system's cabinet library (FDI) without
// unpacking anything but the first file, into memory. False when the
// cabinet cannot be read (refusedName says when a name was the reason).
bool ListCabinet(const CabinetSource& source, CabinetListing& listing);

enum class UnpackResult {
    Done,
    Damaged,     // the cabinet could not be read or inflated
    Refused,     // a name escapes the folder or does not fit in MAX_PATH
    WriteFailed, // a file could not be created or written: see the error
};

// Called with the bytes written so far, from the unpacking thread.
typedef std::function<void(uint64_t written)> UnpackProgress;

// Unpacks every file below a folder that exists and is empty, creating the
// subfolders; a file already there is never overwritten.
UnpackResult UnpackCabinet(const CabinetSource& source, const std::wstring& folder, const UnpackProgress& progress,
                           DWORD& error);
