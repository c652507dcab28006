#pragma once

#include <string>
#include <vector>

// The parsed command line of packsetup.
struct CommandLine {
    std::wstring rawText;               // the text after the program's name
    std::vector<std::wstring> options;  // option tokens without their leading '/' or '-'
    std::vector<std::wstring> arguments;

    // True when an option equals the name exactly (case-sensitive).
    bool HasOption(const std::wstring& name) const;

    // Finds the first option that starts with "<name>:" in any case and gives
    // the text behind the colon. On no match the value is left unchanged.
    bool GetOptionValue(const std::wstring& name, std::wstring& value) const;
};

// Tells whether a path names an existing file or folder; a seam for tests.
typedef bool (*PathExistsFn)(const std::wstring& path);
bool PathExistsOnDisk(const std::wstring& path);

// Longest argument token, quoted or plain; longer ones are split. Options
// have no such limit.
const size_t kMaxTokenLength = 260;

// Splits a full command line (program name first) into options and arguments.
CommandLine ParseCommandLine(const std::wstring& commandLine,
                             PathExistsFn pathExists = PathExistsOnDisk);

// Converts an option value as a whole into an unsigned 32-bit number: decimal
// digits and nothing else around them. False when it does not convert.
bool ParseOptionNumber(const std::wstring& text, unsigned long& value);
