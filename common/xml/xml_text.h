#pragma once

#include <string>
#include <string_view>

// Pieces of XML output: UTF-16 to UTF-8, escaping and indentation. Each
// Append function returns false, leaving the output partly appended, when the
// text holds a lone surrogate or a character that XML 1.0 cannot carry (such
// a file would not load again).
namespace qz_xml {
namespace internal {

bool IsXmlChar(unsigned long codePoint);

bool AppendUtf8(std::string& out, std::wstring_view text);

// Character data: & < > escaped, and CR as a reference so that reading does
// not fold it into the following line feed.
bool AppendEscapedText(std::string& out, std::wstring_view text);

// The same escaping into UTF-16 markup, for text that is parsed again in
// memory rather than written out.
bool AppendEscapedTextUtf16(std::wstring& out, std::wstring_view text);

// A double-quoted attribute value: as text, plus the quote, and tab and line
// feed as references so that reading does not turn them into spaces.
bool AppendEscapedAttributeValue(std::string& out, std::wstring_view text);

// A CDATA section; "]]>" and CR, which a section cannot hold, are written
// between two sections.
bool AppendCDataSection(std::string& out, std::wstring_view text);

void AppendIndentation(std::string& out, int depth);

// True for the names that mean UTF-8, the only encoding the writer produces.
bool IsUtf8EncodingName(std::wstring_view name);

} // namespace internal
} // namespace qz_xml
