#pragma once

#include <string>

// Creates every missing level of a folder path (X:\..., X:..., \\server\share\...,
// \... or relative) and records every level in installedFolders, from the
// first level below the drive or share downwards. Each level is entered as
// the process's current folder, which is restored afterwards. False when a
// level cannot be entered, the path names only a server, or the path does
// not fit in MAX_PATH.
bool CreateFolderPath(const std::wstring& path);
