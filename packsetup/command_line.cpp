#include "packsetup/command_line.h"

#include <windows.h>
#include <shlwapi.h>

#include <boost/lexical_cast.hpp>
#include <cwctype>

namespace {

bool IsBlank(wchar_t c)
{
    return c != L'\0' && std::iswspace(c);
}

class Cursor {
public:
    explicit Cursor(const std::wstring& text) : text_(text), pos_(0) {}

    bool AtEnd() const { return pos_ >= text_.size(); }
    wchar_t Current() const { return AtEnd() ? L'\0' : text_[pos_]; }
    void Advance() { ++pos_; }
    size_t Position() const { return pos_; }
    std::wstring Rest() const { return text_.substr(pos_); }

    void SkipBlanks()
    {
        while (IsBlank(Current()))
            ++pos_;
    }

    // Takes characters up to the next blank or the end, at most maxLength.
    std::wstring TakeWord(size_t maxLength)
    {
        size_t start = pos_;
        while (!AtEnd() && !IsBlank(Current()) && pos_ - start < maxLength)
            ++pos_;
        return text_.substr(start, pos_ - start);
    }

private:
    const std::wstring& text_;
    size_t pos_;
};

void SkipProgramName(Cursor& cursor)
{
    if (cursor.Current() == L'"') {
        cursor.Advance();
        while (!cursor.AtEnd() && cursor.Current() != L'"')
            cursor.Advance();
        if (!cursor.AtEnd())
            cursor.Advance();
    } else {
        while (!cursor.AtEnd() && !IsBlank(cursor.Current()))
            cursor.Advance();
    }
    cursor.SkipBlanks();
}

bool IsOptionMark(wchar_t c)
{
    return c == L'/' || c == L'-';
}

// "/name..." or "-name...": the character after the mark is always taken,
// even a blank, and double quotes mean nothing inside.
std::wstring TakeOption(Cursor& cursor)
{
    cursor.Advance();
    std::wstring token;
    if (!cursor.AtEnd()) {
        token += cursor.Current();
        cursor.Advance();
        token += cursor.TakeWord(std::wstring::npos);
    }
    return token;
}

// An option in quotes is as long as it is, like one without them: the core's
// installation folder (up to 259 characters) follows "/CoreExec:" in one.
// Other quoted tokens are split after kMaxTokenLength characters.
std::wstring TakeQuoted(Cursor& cursor)
{
    cursor.Advance();
    const size_t maxLength = IsOptionMark(cursor.Current()) ? std::wstring::npos : kMaxTokenLength;
    std::wstring token;
    while (!cursor.AtEnd() && cursor.Current() != L'"' && token.size() < maxLength) {
        token += cursor.Current();
        cursor.Advance();
    }
    if (cursor.Current() == L'"')
        cursor.Advance();
    return token;
}

} // namespace

bool CommandLine::HasOption(const std::wstring& name) const
{
    for (const std::wstring& option : options) {
        if (option == name)
            return true;
    }
    return false;
}

bool CommandLine::GetOptionValue(const std::wstring& name, std::wstring& value) const
{
    const std::wstring prefix = name + L':';
    for (const std::wstring& option : options) {
        if (option.size() >= prefix.size()
            && _wcsnicmp(option.c_str(), prefix.c_str(), prefix.size()) == 0) {
            value = option.substr(prefix.size());
            return true;
        }
    }
    return false;
}

bool PathExistsOnDisk(const std::wstring& path)
{
    return PathFileExistsW(path.c_str()) != FALSE;
}

CommandLine ParseCommandLine(const std::wstring& commandLine, PathExistsFn pathExists)
{
    CommandLine result;
    Cursor cursor(commandLine);
    SkipProgramName(cursor);
    result.rawText = cursor.Rest();

    while (!cursor.AtEnd()) {
        wchar_t c = cursor.Current();
        if (IsOptionMark(c)) {
            result.options.push_back(TakeOption(cursor));
            cursor.SkipBlanks();
        } else if (c == L'"') {
            std::wstring token = TakeQuoted(cursor);
            cursor.SkipBlanks();
            if (token.size() >= 2 && IsOptionMark(token[0]))
                result.options.push_back(token.substr(1));
            else
                result.arguments.push_back(token);
        } else {
            // An unquoted path with blanks is taken whole when it exists.
            std::wstring rest = cursor.Rest();
            if (pathExists(rest)) {
                result.arguments.push_back(rest);
                break;
            }
            result.arguments.push_back(cursor.TakeWord(kMaxTokenLength));
            cursor.SkipBlanks();
        }
    }
    return result;
}

bool ParseOptionNumber(const std::wstring& text, unsigned long& value)
{
    try {
        value = boost::lexical_cast<unsigned long>(text);
        return true;
    } catch (const boost::bad_lexical_cast&) {
        return false;
    }
}
