#pragma once

#include <string>

// What goes into a self-extracting package.
struct SelfExtractorInput {
    std::wstring packageFolder;   // full path, no trailing backslash
    std::wstring definitionName;  // "<program>.def" at the top of the package folder
    std::wstring stubPath;        // packsfx.exe
    std::wstring installerPath;   // packsetup.exe, stored as "<program>.exe" unless the package has its own
};

// Writes the stub, the package as a cabinet and the trailer that finds it
// (packsfx/payload.h) to the output file, which is replaced only once it is
// complete. The cabinet holds the definition first, then the installer, then
// every other file of the package folder. False, with the reason in error.
bool BuildSelfExtractor(const SelfExtractorInput& input, const std::wstring& outputPath, std::wstring& error);
