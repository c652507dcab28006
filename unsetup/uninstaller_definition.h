#pragma once

#include <string>

#include "unsetup/uninstaller_settings.h"

// The caption of messages shown before a definition has given one.
inline constexpr wchar_t kFallbackCaption[] = L"Tavrel!";

// Reads the uninstaller's definition beside the running program: the
// installed "unsetup.def", or with temporaryCopy the launcher's copy
// "tavrelunsetup.def" (names from the string table). Fills caption,
// baseRegKey, uninstallRegKey, appDataPath and testEdition. A missing or
// invalid element has been reported by name when this returns false; an
// absent or malformed file is silent.
bool LoadUninstallerDefinition(UninstallerSettings& settings, bool temporaryCopy);

// The same for a definition file at a given path.
bool LoadUninstallerDefinitionFile(const std::wstring& path, UninstallerSettings& settings);
