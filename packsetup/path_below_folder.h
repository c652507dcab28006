#pragma once

#include <string>

// Whether an existing file or folder lies below an existing folder, however
// either is spelled: both are compared in their full long forms, without
// regard to letter case, with the folder's path and a backslash as the
// prefix (so "...\Pack" does not contain "...\Pack2\x"). False when either
// cannot be resolved.
bool IsPathBelowFolder(const std::wstring& path, const std::wstring& folder);
