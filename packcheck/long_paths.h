#pragma once

#include <string>

// The checker lists an author's package wherever it is kept: a deep folder
// must not leave entries out that the user's machine would hold. Windows
// opens a "\\?\" path up to this many characters, terminator included.
const size_t kExtendedPathLimit = 32767;

// The "\\?\" form of a full path ("\\?\UNC\..." for a network path); a path
// already in that form is returned as it is.
std::wstring ExtendedLengthPath(const std::wstring& fullPath);
