#include "packcheck/definition_encoding.h"

#include <windows.h>

#include <string>

#include "common/win/scoped_handle.h"

namespace {

// A definition is a few kilobytes; this only keeps a wrong file from
// filling the memory.
const DWORD kMostBytesRead = 16 * 1024 * 1024;

bool ReadWholeFile(const std::wstring& path, std::string& bytes)
{
    ScopedHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.get(), &size) || size.QuadPart > kMostBytesRead)
        return false;
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD read = 0;
    if (!bytes.empty() && (!ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr)
                           || read != bytes.size()))
        return false;
    return true;
}

bool StartsWith(const std::string& bytes, const char* prefix, size_t length)
{
    return bytes.compare(0, length, prefix, length) == 0;
}

// The encoding that an XML declaration at the start names, or empty.
std::string DeclaredEncoding(const std::string& bytes, size_t start)
{
    if (bytes.compare(start, 5, "<?xml") != 0)
        return std::string();
    size_t end = bytes.find("?>", start);
    if (end == std::string::npos)
        return std::string();
    std::string declaration = bytes.substr(start, end - start);
    size_t name = declaration.find("encoding");
    if (name == std::string::npos)
        return std::string();
    size_t quote = declaration.find_first_of("\"'", name);
    if (quote == std::string::npos)
        return std::string();
    size_t close = declaration.find(declaration[quote], quote + 1);
    if (close == std::string::npos)
        return std::string();
    return declaration.substr(quote + 1, close - quote - 1);
}

bool IsUtf8Name(const std::string& name)
{
    return CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, "UTF-8", -1) == CSTR_EQUAL
           || CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, name.c_str(), -1, "UTF8", -1) == CSTR_EQUAL;
}

// The offset of the first byte that does not begin or continue a valid
// UTF-8 sequence, or npos.
size_t FirstNonUtf8Byte(const std::string& bytes, size_t start)
{
    size_t i = start;
    while (i < bytes.size()) {
        unsigned char lead = static_cast<unsigned char>(bytes[i]);
        size_t length;
        unsigned lowest;
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            lowest = 0x80;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            lowest = 0x800;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            lowest = 0x10000;
        } else
            return i;
        unsigned value = lead & (0x7F >> length);
        for (size_t k = 1; k < length; ++k) {
            if (i + k >= bytes.size())
                return i;
            unsigned char next = static_cast<unsigned char>(bytes[i + k]);
            if ((next & 0xC0) != 0x80)
                return i;
            value = (value << 6) | (next & 0x3F);
        }
        // Over-long forms, surrogates and values beyond Unicode are not UTF-8.
        if (value < lowest || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF)
            return i;
        i += length;
    }
    return std::string::npos;
}

std::wstring Widen(const std::string& ascii)
{
    return std::wstring(ascii.begin(), ascii.end());
}

} // namespace

bool ReadDefinitionEncoding(const std::wstring& path, DefinitionEncoding& encoding)
{
    std::string bytes;
    if (!ReadWholeFile(path, bytes))
        return false;
    encoding = DefinitionEncoding();
    if (StartsWith(bytes, "\xFF\xFE", 2)) {
        encoding.description = L"UTF-16LE with a byte order mark";
        return true;
    }
    if (StartsWith(bytes, "\xFE\xFF", 2)) {
        encoding.description = L"UTF-16BE with a byte order mark";
        return true;
    }
    if (StartsWith(bytes, "<\0?\0", 4)) {
        encoding.description = L"UTF-16LE without a byte order mark";
        return true;
    }
    if (StartsWith(bytes, "\0<\0?", 4)) {
        encoding.description = L"UTF-16BE without a byte order mark";
        return true;
    }
    bool mark = StartsWith(bytes, "\xEF\xBB\xBF", 3);
    size_t start = mark ? 3 : 0;
    std::string declared = DeclaredEncoding(bytes, start);
    if (mark)
        encoding.description = L"UTF-8 with a byte order mark";
    else if (declared.empty())
        encoding.description = L"UTF-8 (no encoding declared, so XML's default)";
    else
        encoding.description = Widen(declared) + L", declared";
    if (!mark && !declared.empty() && !IsUtf8Name(declared))
        return true;

    size_t bad = FirstNonUtf8Byte(bytes, start);
    if (bad == std::string::npos)
        return true;
    encoding.badLine = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < bad; ++i) {
        if (bytes[i] == '\n') {
            ++encoding.badLine;
            lineStart = i + 1;
        }
    }
    encoding.badByte = static_cast<long>(bad - lineStart + 1);
    encoding.badValue = static_cast<unsigned char>(bytes[bad]);
    return true;
}
