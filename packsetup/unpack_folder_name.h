#pragma once

#include <string>

// A character that no file or folder name can hold: a control character,
// one of : * ? " < > | or a path separator.
bool IsForbiddenInName(wchar_t c);

// A name that names exactly itself below its folder: not empty, none of the
// characters above, and not ending in a dot or blank (Windows would drop
// those and name another entry). This also rules out "." and "..".
bool IsPlainName(const std::wstring& name);

// CON, PRN, AUX, NUL, COM1-COM9 or LPT1-LPT9 in any letter case, with or
// without an extension ("nul.txt"): Windows opens the device, not a file.
bool IsDeviceName(const std::wstring& name);

// How the installer reads a definition's SfxExtractPath, the unpack folder's
// part below the maker's folder. Authors write it as "Pack", "Pack\",
// "\Pack", "Sub/Pack" or "Sub\\Pack": a forward slash counts as a
// backslash, and a leading, trailing or doubled backslash is an empty level
// that is dropped. What is left must be one or more plain folder names: no
// "." or "..", no drive or colon, no character that a file name cannot hold
// and no name ending in a dot or blank (Windows would drop those and name
// another folder). Two leading backslashes spell a network path and are
// refused. True with the levels joined by single backslashes; false for a
// spelling that the installer never deletes.
bool NormalizeExtractPath(const std::wstring& extractPath, std::wstring& normalized);

// The same for the definition's whole unpack folder "<maker>\<SfxExtractPath>":
// the maker's level must be a plain name as it stands.
bool NormalizeUnpackFolder(const std::wstring& unpackFolder, std::wstring& normalized);
