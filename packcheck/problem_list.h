#pragma once

#include <string>
#include <vector>

// The problems found in a package, one line each: the file or folder of the
// package it concerns, the element when there is one, and what is wrong.
class ProblemList {
public:
    void Add(const std::wstring& place, const std::wstring& text);
    void Add(const std::wstring& place, const std::wstring& element, const std::wstring& text);

    const std::vector<std::wstring>& Lines() const { return lines_; }
    bool Empty() const { return lines_.empty(); }

private:
    std::vector<std::wstring> lines_;
};

// Writes a line to the standard output as UTF-8.
void PrintLine(const std::wstring& line);
