#pragma once

#include <windows.h>

#include <string>

// The module whose string table LoadText reads; recorded once at start-up.
void SetResourceModule(HINSTANCE module);
HINSTANCE GetResourceModule();

// A text of the string table in the user interface language the system picks;
// empty when the id does not exist. Texts are at most 1999 characters long.
std::wstring LoadText(UINT id);
