#include "packcheck/problem_list.h"

#include <windows.h>

#include <cstdio>
#include <cwchar>

namespace {

std::wstring JsonPosition(long value)
{
    return value > 0 ? std::to_wstring(value) : std::wstring(L"null");
}

} // namespace

void ProblemList::Add(Finding finding)
{
    findings_.push_back(std::move(finding));
}

void ProblemList::Problem(const wchar_t* code, const std::wstring& place, const std::wstring& element,
                          const std::wstring& text)
{
    Add(Severity::Problem, code, place, element, text);
}

void ProblemList::Warning(const wchar_t* code, const std::wstring& place, const std::wstring& element,
                          const std::wstring& text)
{
    Add(Severity::Warning, code, place, element, text);
}

void ProblemList::Add(Severity severity, const wchar_t* code, const std::wstring& place, const std::wstring& element,
                      const std::wstring& text)
{
    Finding finding;
    finding.severity = severity;
    finding.file = place;
    finding.element = element;
    finding.code = code;
    finding.message = text;
    Add(std::move(finding));
}

size_t ProblemList::Count(Severity severity) const
{
    size_t count = 0;
    for (const Finding& finding : findings_) {
        if (finding.severity == severity)
            ++count;
    }
    return count;
}

std::wstring FindingLine(const Finding& finding)
{
    std::wstring line = finding.file;
    if (finding.line > 0) {
        line += L":" + std::to_wstring(finding.line);
        if (finding.column > 0)
            line += L":" + std::to_wstring(finding.column);
    } else if (!finding.element.empty())
        line += L" <" + finding.element + L">";
    return line + L": " + finding.message;
}

std::wstring FindingJson(const Finding& finding)
{
    std::wstring json = L"{\"severity\": ";
    json += finding.severity == Severity::Problem ? L"\"problem\"" : L"\"warning\"";
    json += L", \"file\": " + JsonString(finding.file);
    json += L", \"line\": " + JsonPosition(finding.line);
    json += L", \"column\": " + JsonPosition(finding.column);
    json += L", \"code\": " + JsonString(finding.code);
    json += L", \"message\": " + JsonString(finding.message);
    if (!finding.element.empty())
        json += L", \"element\": " + JsonString(finding.element);
    return json + L"}";
}

std::wstring JsonString(const std::wstring& text)
{
    std::wstring quoted = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            quoted += L'\\';
            quoted += c;
        } else if (c < 0x20) {
            wchar_t escaped[8];
            swprintf(escaped, 8, L"\\u%04x", static_cast<unsigned>(c));
            quoted += escaped;
        } else
            quoted += c;
    }
    return quoted + L"\"";
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
