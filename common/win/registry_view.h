#pragma once

#include <windows.h>

#include <string>

#include "common/win/registry.h"

// The product's keys live where the shipped programs, 32-bit code, see them:
// on 64-bit Windows that is the registry's 32-bit view, in which
// HKEY_LOCAL_MACHINE\Software is Software\Wow6432Node and Tavrel!'s own
// 32-bit setup records itself. Every open, create and delete of a product key
// goes through here and names that view, so that a 64-bit build of the same
// sources reads and writes the very keys that ship. 32-bit Windows ignores
// the flag.
const REGSAM kProductRegistryView = KEY_WOW64_32KEY;

// Both views, for keys that Windows keeps apart (the file associations under
// HKEY_LOCAL_MACHINE\Software\Classes on Windows XP x64 and Vista) and that
// must go from each; where the views are shared the second finds nothing.
const REGSAM kEveryRegistryView[] = {KEY_WOW64_32KEY, KEY_WOW64_64KEY};

// Opens root\path (root is a hive or an open key) in the given view, with the
// options of RegOpenKeyExW. The result is RegOpenKeyExW's.
LONG OpenRegistryKeyInView(HKEY root, const std::wstring& path, DWORD options, REGSAM rights, REGSAM view,
                           ScopedRegKey& key);

// Opens root\path in the product's view.
LONG OpenProductKey(HKEY root, const std::wstring& path, REGSAM rights, ScopedRegKey& key);

// Opens root\path in the product's view, creating it (and the keys above it)
// when missing.
LONG CreateProductKey(HKEY root, const std::wstring& path, REGSAM rights, ScopedRegKey& key);
