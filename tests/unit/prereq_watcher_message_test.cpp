// The setup watcher's byte format: what goes on the pipe for a record, and
// what the server takes from whatever bytes arrive.
#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "packsetup/prereq/watcher_message.h"

namespace {

std::vector<BYTE> Encode(DWORD type, bool hasRecord, const std::vector<std::wstring>& strings)
{
    DWORD size = WatcherMessageSize(strings);
    std::vector<BYTE> bytes(size);
    WriteWatcherMessage(bytes.data(), size, type, hasRecord, strings);
    return bytes;
}

// The body that follows the total, parsed.
WatcherMessage Parse(const std::vector<BYTE>& message)
{
    WatcherMessage parsed;
    REQUIRE(message.size() >= 4);
    REQUIRE(ParseWatcherBody(message.data() + 4, static_cast<DWORD>(message.size() - 4), parsed));
    return parsed;
}

} // namespace

TEST_CASE("a record goes on the pipe as total, type, count and terminated UTF-16LE strings")
{
    std::vector<BYTE> bytes = Encode(0x0B000000, true, {L"[1]", L"", L"\u00e9x"});
    const BYTE expected[] = {
        28, 0, 0, 0,          // total: 12 + (2*3+2) + (0+2) + (2*2+2)
        0, 0, 0, 0x0B,        // type, little-endian
        3, 0, 0, 0,           // field count 2 plus one
        '[', 0, '1', 0, ']', 0, 0, 0, // field 0
        0, 0,                 // field 1: empty, its terminator alone
        0xe9, 0, 'x', 0, 0, 0 // field 2
    };
    CHECK(bytes == std::vector<BYTE>(expected, expected + sizeof(expected)));
}

TEST_CASE("a message without a record is the header alone with count 0")
{
    std::vector<BYTE> bytes = Encode(7, false, {});
    CHECK(bytes == std::vector<BYTE>{12, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0});
    WatcherMessage parsed = Parse(bytes);
    CHECK(parsed.type == 7u);
    CHECK(parsed.declaredCount == 0u);
    CHECK(parsed.strings.empty());
}

TEST_CASE("encoded records come back field for field")
{
    std::vector<std::wstring> strings = {L"Phase [1]: [2] of [3]", L"2", L"", L"\u65e5\u672c\u8a9e"};
    WatcherMessage parsed = Parse(Encode(0xFFFFFFFF, true, strings));
    CHECK(parsed.type == 0xFFFFFFFFu);
    CHECK(parsed.declaredCount == 4u);
    CHECK(parsed.strings == strings);
}

TEST_CASE("totals: 0 is an empty message, below the header or above the bound is malformed")
{
    CHECK(ClassifyWatcherTotal(0) == WatcherTotal::Empty);
    for (DWORD total : {DWORD(1), DWORD(4), DWORD(8), DWORD(11), kWatcherMaxMessageSize + 1, DWORD(0xFFFFFFFF)})
        CHECK(ClassifyWatcherTotal(total) == WatcherTotal::Malformed);
    CHECK(ClassifyWatcherTotal(12) == WatcherTotal::Valid);
    CHECK(ClassifyWatcherTotal(kWatcherMaxMessageSize) == WatcherTotal::Valid);
}

TEST_CASE("a body shorter than type and count is refused")
{
    BYTE body[7] = {1, 0, 0, 0, 1, 0, 0};
    WatcherMessage parsed;
    CHECK_FALSE(ParseWatcherBody(body, sizeof(body), parsed));
    CHECK_FALSE(ParseWatcherBody(body, 0, parsed));
}

TEST_CASE("broken bodies give only the strings that arrived whole")
{
    SUBCASE("a count larger than the strings present")
    {
        std::vector<BYTE> bytes = Encode(1, true, {L"a", L"bc"});
        bytes[8] = 200;
        WatcherMessage parsed = Parse(bytes);
        CHECK(parsed.declaredCount == 200u);
        CHECK(parsed.strings == std::vector<std::wstring>{L"a", L"bc"});
    }
    SUBCASE("a last string without its terminator is dropped")
    {
        std::vector<BYTE> bytes = Encode(1, true, {L"a", L"bc"});
        bytes.resize(bytes.size() - 2);
        CHECK(Parse(bytes).strings == std::vector<std::wstring>{L"a"});
    }
    SUBCASE("an odd byte at the end belongs to no character")
    {
        std::vector<BYTE> bytes = Encode(1, true, {L"a", L"b"});
        bytes.resize(bytes.size() - 1);
        CHECK(Parse(bytes).strings == std::vector<std::wstring>{L"a"});
    }
    SUBCASE("strings beyond the declared count are ignored")
    {
        std::vector<BYTE> bytes = Encode(1, true, {L"a", L"b", L"c"});
        bytes[8] = 1;
        CHECK(Parse(bytes).strings == std::vector<std::wstring>{L"a"});
    }
    SUBCASE("parsing stops at the size given even when more bytes follow in memory")
    {
        std::vector<BYTE> bytes = Encode(1, true, {L"abc"});
        WatcherMessage parsed;
        // Body of type, count and "ab" without terminator: the rest is not read.
        REQUIRE(ParseWatcherBody(bytes.data() + 4, 8 + 4, parsed));
        CHECK(parsed.strings.empty());
    }
}
