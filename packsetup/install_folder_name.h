#pragma once

#include <string>

enum class InstallFolderProblem {
    None,
    InvalidName,        // not of the form X:\name, or too long for a MAX_PATH buffer
    InvalidCharacters,  // holds / * ? " < > | or a carriage return, line feed or tab
};

// Checks the installation folder's name before anything is copied into it.
InstallFolderProblem CheckInstallFolderName(const std::wstring& folder);
