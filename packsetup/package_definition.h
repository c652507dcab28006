#pragma once

#include <string>
#include <vector>

// The package definition read from "<program name>.def" beside packsetup.
struct PackageDefinition {
    std::wstring caption;              // title of every message box
    std::wstring productRegistryKey;   // "Software\Halvest\<BaseRegKey>"
    std::wstring unpackFolder;         // "Halvest\<SfxExtractPath>", below the roaming application data
    std::vector<std::wstring> removeFiles;
    std::vector<std::wstring> removeDirectories;
    std::wstring packageId;
    std::wstring packageTitle;
    std::wstring requiredVersion;
};

// Reads the definition beside the running program into the record. On false
// the record holds what was read before the failure (the caption at least,
// when a later element was missing); a missing required element has been
// reported by name, every other failure is silent.
bool LoadPackageDefinition(PackageDefinition& definition);

// The same for a definition file at a given path.
bool LoadPackageDefinitionFile(const std::wstring& path, PackageDefinition& definition);
// The same for the bytes of a definition file held in memory.
bool LoadPackageDefinitionContent(const std::string& content, PackageDefinition& definition);

// "<name>.exe" for the definition "<name>.def": the installer that reads it.
std::wstring ProgramForDefinition(const std::wstring& definitionName);

// "<folder>\<name>.def" for the running program; false when it would not fit.
bool GetDefinitionPath(std::wstring& path);
