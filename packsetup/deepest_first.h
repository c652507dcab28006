#pragma once

#include <string>
#include <vector>

// Sorts folder paths in descending ordinal order (UTF-16 code units as
// unsigned numbers, letter case significant), so that every subfolder comes
// before its parent and removing them in order can empty the parents.
void SortDeepestFirst(std::vector<std::wstring>& folders);
