#pragma once

#include <string>

#include "packcheck/problem_list.h"
#include "packsetup/package_definition.h"

// Where and why another parser found the definition not well-formed, for a
// parser that gives only its reason (Wine's).
struct ParsePosition {
    std::wstring file;
    long line = 0;
    long column = 0;
    std::wstring reason;
};

// Reads "<file>:<line>:<column>:<reason>"; false for any other text.
bool ParseParsePosition(const std::wstring& text, ParsePosition& position);

// Reads the package's definition as the installer does and adds a finding
// for each fault: missing; bytes that are not in the declared encoding;
// not well-formed (with the line and column from this parser, or else from
// the given positions); the wrong root; a required element missing or
// empty; a required version that is malformed or has parts that are
// ignored; elements the installer does not know. The encoding, and whether
// the installer reads it, go to encodingSummary. True when the installer's
// reader would accept the definition; the record is then complete.
bool CheckDefinition(const std::wstring& packageFolder, const std::wstring& fileName,
                     const std::vector<ParsePosition>& otherParser, PackageDefinition& definition,
                     std::wstring& encodingSummary, ProblemList& problems);
