#pragma once

#include <string>

#include "packsetup/file_version.h"

// The version that a package requires: three unsigned 32-bit numbers.
struct RequiredVersion {
    unsigned long major = 0;
    unsigned long minor = 0;
    unsigned long build = 0;
};

// Reads "<major>.<minor>.<build>" as the "%u.%u.%u" scan does: white space may
// stand before each number, anything after the third number is ignored. A
// sign or a number beyond 32 bits makes the text invalid.
bool ParseRequiredVersion(const std::wstring& text, RequiredVersion& version);
// The same, giving also the text after the third number, which is ignored.
bool ParseRequiredVersion(const std::wstring& text, RequiredVersion& version, std::wstring& ignored);

// Compares major, minor and build in turn; the first pair that differs decides.
bool IsVersionSufficient(const FileVersion& installed, const RequiredVersion& required);

// "<folder>\tavrel.exe", with no second backslash for a folder that ends in
// one. False for an empty folder and when the path would not fit in MAX_PATH
// characters.
bool BuildMainProgramPath(const std::wstring& folder, std::wstring& path);

// The version check of the interface instance against the package
// definition's required version and the installation folder found. False
// after telling the user why the package cannot be installed.
bool RunVersionCheck();
