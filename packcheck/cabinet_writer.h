#pragma once

#include <string>
#include <vector>

// One file for a cabinet: where it is read from and its name inside the
// cabinet, levels joined by backslashes.
struct CabinetEntry {
    std::wstring sourcePath;
    std::wstring name;
    bool stored = false;  // kept as it is: data that deflate cannot make smaller
};

// Writes the files, in order, MSZIP-compressed unless stored, into a new cabinet through
// the system's own cabinet library (cabinet.dll, loaded from the system
// folder by full path). The first file gets a folder of its own, so that a
// reader reaches it without inflating the rest; a change between compressed
// and stored files starts a new folder. Names are stored as UTF-8.
// False, with the reason in error, when anything fails; a partly written
// cabinet is the caller's to delete, as the file is.
bool WriteCabinet(const std::wstring& cabinetPath, const std::vector<CabinetEntry>& entries, std::wstring& error);
