#pragma once

#include <windows.h>

#include <string>

// Deletes parent\path with all its subkeys (parent is a hive or an open
// key). A subkey that cannot be deleted is passed over, so the rest of the
// tree still goes and the walk ends; the key itself then stays. True when
// the key itself was deleted.
bool DeleteRegistryTree(HKEY parent, const std::wstring& path);
