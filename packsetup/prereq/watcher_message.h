#pragma once

// The byte format of the setup watcher's pipe, without any I/O.
//
// A message: total (4 bytes, the whole message's length), type (4), string
// count n (4; the record's field count plus one, 0 without a record), then n
// UTF-16LE strings each followed by a 16-bit zero. A reply: 4 bytes, the
// callback's result. All integers are 32-bit little-endian.
#include <windows.h>

#include <string>
#include <vector>

const DWORD kWatcherHeaderSize = 12;
const DWORD kWatcherReplySize = 4;
// The largest total the server accepts. Progress records are a few hundred
// bytes; anything far larger comes from a broken or hostile client.
const DWORD kWatcherMaxMessageSize = 1024 * 1024;

// How the server treats a declared total.
enum class WatcherTotal {
    Empty,     // 0: no reply, read the next message
    Malformed, // below the header or above the bound: drop the connection
    Valid,
};
WatcherTotal ClassifyWatcherTotal(DWORD total);

// The bytes a message needs: the header plus 2 x length + 2 per string.
// Zero when the strings do not fit in a 32-bit total.
DWORD WatcherMessageSize(const std::vector<std::wstring>& strings);

// Writes the whole message into a buffer of exactly WatcherMessageSize bytes.
// With hasRecord false the strings are ignored and n is 0.
void WriteWatcherMessage(BYTE* buffer, DWORD size, DWORD type, bool hasRecord,
                         const std::vector<std::wstring>& strings);

struct WatcherMessage {
    DWORD type = 0;
    // The declared string count; zero means the message carries no record.
    DWORD declaredCount = 0;
    // The strings actually present, at most declaredCount, in field order
    // from field 0. A string without its terminator is not present.
    std::vector<std::wstring> strings;
};

// Reads a message body: the bytes after the total, 'size' of them. False
// when the body is shorter than type and count. Never reads past 'size'.
bool ParseWatcherBody(const BYTE* body, DWORD size, WatcherMessage& message);

void WriteLittleEndian32(BYTE* target, DWORD value);
DWORD ReadLittleEndian32(const BYTE* source);
