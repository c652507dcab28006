#pragma once

#include <windows.h>

#include <string>

#include "common/win/registry_view.h"

// Deletes parent\path with all its subkeys (parent is a hive or an open
// key). A subkey that cannot be deleted is passed over, so the rest of the
// tree still goes and the walk ends; the key itself then stays. A symbolic
// link key, at the top or below, is deleted as the link and never walked,
// so its target stays; the walk goes at most 32 levels deep. The path is
// opened one level at a time and a link at a level above the key is never
// followed: nothing is deleted then. The keys are opened in the given
// registry view, the product's unless said. True when the key itself was
// deleted.
bool DeleteRegistryTree(HKEY parent, const std::wstring& path, REGSAM view = kProductRegistryView);

// Deletes parent\path, in the product's registry view, only when it has no
// subkeys; a link there goes as the link, a link above it is not followed.
// True when it was deleted.
bool DeleteEmptyRegistryKey(HKEY parent, const std::wstring& path);
