#include "packcheck/problem_list.h"

#include <windows.h>

#include <cstdio>

void ProblemList::Add(const std::wstring& place, const std::wstring& text)
{
    lines_.push_back(place + L": " + text);
}

void ProblemList::Add(const std::wstring& place, const std::wstring& element, const std::wstring& text)
{
    lines_.push_back(place + L" <" + element + L">: " + text);
}

void PrintLine(const std::wstring& line)
{
    std::wstring text = line + L"\n";
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    if (size <= 0)
        return;
    std::string utf8(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &utf8[0], size, nullptr, nullptr);
    fwrite(utf8.data(), 1, utf8.size(), stdout);
}
