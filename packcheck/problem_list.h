#pragma once

#include <string>
#include <vector>

enum class Severity {
    Problem,  // the package would not install, or would harm the installation
    Warning,  // it installs, but not quite as its author may expect
};

// One finding: the file or folder of the package it concerns, the
// definition's element when there is one, the position in the file when it
// is known (0 otherwise), a code that stays the same from release to
// release for scripts, and what is wrong.
struct Finding {
    Severity severity = Severity::Problem;
    std::wstring file;
    std::wstring element;
    long line = 0;
    long column = 0;
    std::wstring code;
    std::wstring message;
};

// Everything found in a package, in the order found.
class ProblemList {
public:
    void Add(Finding finding);

    // A problem or a warning with its code.
    void Problem(const wchar_t* code, const std::wstring& place, const std::wstring& element, const std::wstring& text);
    void Warning(const wchar_t* code, const std::wstring& place, const std::wstring& element, const std::wstring& text);

    const std::vector<Finding>& Findings() const { return findings_; }
    size_t Count(Severity severity) const;
    bool Empty() const { return Count(Severity::Problem) == 0; }

private:
    void Add(Severity severity, const wchar_t* code, const std::wstring& place, const std::wstring& element,
             const std::wstring& text);

    std::vector<Finding> findings_;
};

// "file:line:column: message" when the position is known, otherwise
// "file <element>: message" or "file: message".
std::wstring FindingLine(const Finding& finding);

// The finding as one JSON object on one line: severity, file, line, column
// (null when unknown), code, message, and the element when there is one.
std::wstring FindingJson(const Finding& finding);

// The text as a JSON string, quotes included.
std::wstring JsonString(const std::wstring& text);

// Writes a line to the standard output as UTF-8.
void PrintLine(const std::wstring& line);
