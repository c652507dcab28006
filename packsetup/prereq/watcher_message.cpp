#include "packsetup/prereq/watcher_message.h"

WatcherTotal ClassifyWatcherTotal(DWORD total)
{
    if (total == 0)
        return WatcherTotal::Empty;
    if (total < kWatcherHeaderSize || total > kWatcherMaxMessageSize)
        return WatcherTotal::Malformed;
    return WatcherTotal::Valid;
}

DWORD WatcherMessageSize(const std::vector<std::wstring>& strings)
{
    unsigned long long total = kWatcherHeaderSize;
    for (const std::wstring& text : strings) {
        total += 2ull * text.size() + 2;
        if (total > 0xFFFFFFFFull)
            return 0;
    }
    return static_cast<DWORD>(total);
}

void WriteLittleEndian32(BYTE* target, DWORD value)
{
    target[0] = static_cast<BYTE>(value);
    target[1] = static_cast<BYTE>(value >> 8);
    target[2] = static_cast<BYTE>(value >> 16);
    target[3] = static_cast<BYTE>(value >> 24);
}

DWORD ReadLittleEndian32(const BYTE* source)
{
    return static_cast<DWORD>(source[0]) | static_cast<DWORD>(source[1]) << 8 |
           static_cast<DWORD>(source[2]) << 16 | static_cast<DWORD>(source[3]) << 24;
}

void WriteWatcherMessage(BYTE* buffer, DWORD size, DWORD type, bool hasRecord,
                         const std::vector<std::wstring>& strings)
{
    DWORD count = hasRecord ? static_cast<DWORD>(strings.size()) : 0;
    WriteLittleEndian32(buffer, size);
    WriteLittleEndian32(buffer + 4, type);
    WriteLittleEndian32(buffer + 8, count);
    DWORD offset = kWatcherHeaderSize;
    for (DWORD i = 0; i < count; ++i) {
        const std::wstring& text = strings[i];
        DWORD bytes = static_cast<DWORD>(text.size() * 2);
        if (offset + bytes + 2 > size)
            break;
        for (wchar_t c : text) {
            buffer[offset++] = static_cast<BYTE>(c);
            buffer[offset++] = static_cast<BYTE>(c >> 8);
        }
        buffer[offset++] = 0;
        buffer[offset++] = 0;
    }
}

bool ParseWatcherBody(const BYTE* body, DWORD size, WatcherMessage& message)
{
    message = WatcherMessage();
    if (size < kWatcherHeaderSize - 4)
        return false;
    message.type = ReadLittleEndian32(body);
    message.declaredCount = ReadLittleEndian32(body + 4);

    // Whole UTF-16 units only; an odd last byte belongs to no character.
    DWORD offset = kWatcherHeaderSize - 4;
    std::wstring text;
    while (message.strings.size() < message.declaredCount && offset + 2 <= size) {
        wchar_t c = static_cast<wchar_t>(body[offset] | body[offset + 1] << 8);
        offset += 2;
        if (c == L'\0') {
            message.strings.push_back(text);
            text.clear();
        } else {
            text += c;
        }
    }
    return true;
}
