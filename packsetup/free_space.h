#pragma once

#include <cstdint>
#include <string>

// The folder whose drive is measured: the installation folder without a
// trailing backslash when it exists, otherwise its first three characters
// (the drive root), since the folder is only created by the copy.
std::wstring FreeSpaceQueryFolder(const std::wstring& installFolder);

// True when the bytes free to the caller on the folder's drive are at least
// the given number; false when they are fewer or cannot be read.
bool HasFreeSpaceFor(const std::wstring& installFolder, uint64_t bytes);
