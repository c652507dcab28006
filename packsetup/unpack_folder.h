#pragma once

#include <windows.h>

#include <string>

// The folder that the package was unpacked to: the roaming application-data
// folder, a backslash and the definition's unpack folder
// ("Halvest\<SfxExtractPath>") as NormalizeUnpackFolder reads it. False when
// that refuses it (absolute, with a drive, "." or "..") or the result does
// not fit in MAX_PATH: such a path could name a folder outside the
// application data, which is never deleted.
bool BuildUnpackPath(const std::wstring& appDataFolder, const std::wstring& unpackFolder, std::wstring& path);

// Deletes the unpacked package below the application-data folder: every file,
// then every folder deepest first, then the unpack folder itself; the
// levels above it (the maker's folder) stay. The user controls this tree, so
// junctions and symbolic links are removed as links and never walked, and a
// link on the way down to the unpack folder leaves everything alone.
// Failures are silent; whatever cannot be removed stays.
void RemoveUnpackedPackage(const std::wstring& appDataFolder, const std::wstring& unpackFolder);

// The same below the user's roaming application-data folder, for the
// definition's unpack folder, but only when the running program lies inside
// that folder; any other folder is left alone. The owner window parents any
// prompt of the shell.
void RemoveUnpackFolder(HWND owner);
