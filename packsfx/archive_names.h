#pragma once

#include <string>

// Whether a file name from the package's cabinet names a file below the
// unpack folder and nothing else: relative (no leading separator, no drive,
// no colon at all), every level a plain name (no "." or "..", no character
// that a file name cannot hold, no trailing dot or blank) and no device
// name. A forward slash counts as a separator. On true, the name with its
// levels joined by backslashes.
bool ArchiveNameInsideFolder(const std::wstring& name, std::wstring& relativePath);
