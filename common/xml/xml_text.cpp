#include "common/xml/xml_text.h"

namespace qz_xml {
namespace internal {

namespace {

bool IsHighSurrogate(unsigned long unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(unsigned long unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

void AppendCodePoint(std::string& out, unsigned long codePoint)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | (codePoint >> 6));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codePoint >> 12));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codePoint >> 18));
        out += static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

const char* TextEntity(wchar_t unit)
{
    switch (unit) {
    case L'&': return "&amp;";
    case L'<': return "&lt;";
    case L'>': return "&gt;";
    case L'\r': return "&#13;";
    default: return nullptr;
    }
}

const char* AttributeEntity(wchar_t unit)
{
    switch (unit) {
    case L'"': return "&quot;";
    case L'\t': return "&#9;";
    case L'\n': return "&#10;";
    default: return TextEntity(unit);
    }
}

// Writes the runs between special characters as UTF-8 and each special
// character as its reference. Specials are never surrogates, so no pair is
// split.
template <typename EntityOf>
bool AppendEscaped(std::string& out, std::wstring_view text, EntityOf entityOf)
{
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char* entity = entityOf(text[i]);
        if (!entity)
            continue;
        if (!AppendUtf8(out, text.substr(runStart, i - runStart)))
            return false;
        out += entity;
        runStart = i + 1;
    }
    return AppendUtf8(out, text.substr(runStart));
}

} // namespace

bool IsXmlChar(unsigned long codePoint)
{
    return codePoint == 0x9 || codePoint == 0xA || codePoint == 0xD
        || (codePoint >= 0x20 && codePoint <= 0xD7FF)
        || (codePoint >= 0xE000 && codePoint <= 0xFFFD)
        || (codePoint >= 0x10000 && codePoint <= 0x10FFFF);
}

bool AppendUtf8(std::string& out, std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long unit = static_cast<unsigned short>(text[i]);
        unsigned long codePoint = unit;
        if (IsHighSurrogate(unit)) {
            if (i + 1 >= text.size())
                return false;
            unsigned long low = static_cast<unsigned short>(text[i + 1]);
            if (!IsLowSurrogate(low))
                return false;
            codePoint = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            ++i;
        } else if (IsLowSurrogate(unit)) {
            return false;
        }
        if (!IsXmlChar(codePoint))
            return false;
        AppendCodePoint(out, codePoint);
    }
    return true;
}

bool AppendEscapedText(std::string& out, std::wstring_view text)
{
    return AppendEscaped(out, text, TextEntity);
}

bool AppendEscapedTextUtf16(std::wstring& out, std::wstring_view text)
{
    for (size_t i = 0; i < text.size(); ++i) {
        unsigned long unit = static_cast<unsigned short>(text[i]);
        if (const char* entity = TextEntity(text[i])) {
            out.append(entity, entity + std::char_traits<char>::length(entity));
            continue;
        }
        if (IsHighSurrogate(unit)) {
            // A pair is two units of one character: both are copied.
            if (i + 1 >= text.size() || !IsLowSurrogate(static_cast<unsigned short>(text[i + 1])))
                return false;
            out += text[i];
            out += text[++i];
            continue;
        }
        if (IsLowSurrogate(unit) || !IsXmlChar(unit))
            return false;
        out += text[i];
    }
    return true;
}

bool AppendEscapedAttributeValue(std::string& out, std::wstring_view text)
{
    return AppendEscaped(out, text, AttributeEntity);
}

bool AppendCDataSection(std::string& out, std::wstring_view text)
{
    out += "<![CDATA[";
    size_t runStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'\r') {
            if (!AppendUtf8(out, text.substr(runStart, i - runStart)))
                return false;
            out += "]]>&#13;<![CDATA[";
            runStart = i + 1;
        } else if (text.substr(i, 3) == L"]]>") {
            // The first section ends after "]]", the next begins with ">".
            if (!AppendUtf8(out, text.substr(runStart, i + 2 - runStart)))
                return false;
            out += "]]><![CDATA[";
            runStart = i + 2;
        }
    }
    if (!AppendUtf8(out, text.substr(runStart)))
        return false;
    out += "]]>";
    return true;
}

void AppendIndentation(std::string& out, int depth)
{
    out.append(static_cast<size_t>(depth > 0 ? depth : 0), '\t');
}

bool IsUtf8EncodingName(std::wstring_view name)
{
    static const wchar_t kUtf8[] = L"utf-8";
    if (name.size() != sizeof(kUtf8) / sizeof(kUtf8[0]) - 1)
        return false;
    for (size_t i = 0; i < name.size(); ++i) {
        wchar_t unit = name[i];
        if (unit >= L'A' && unit <= L'Z')
            unit = static_cast<wchar_t>(unit - L'A' + L'a');
        if (unit != kUtf8[i])
            return false;
    }
    return true;
}

} // namespace internal
} // namespace qz_xml
