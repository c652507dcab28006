#pragma once

#include <string>

// How a definition file is encoded, read from its first bytes and its XML
// declaration as a parser reads them.
struct DefinitionEncoding {
    std::wstring description;  // "UTF-8, declared", "UTF-16LE with a byte order mark", ...
    // The first byte that is not UTF-8 in a file read as UTF-8: its line and
    // its place in that line, both from 1; 0 when there is none.
    long badLine = 0;
    long badByte = 0;
    unsigned badValue = 0;
};

// False when the file cannot be read.
bool ReadDefinitionEncoding(const std::wstring& path, DefinitionEncoding& encoding);
