// The setup watcher over a real pipe: both roles of CSetupWatcher, and the
// server facing clients that send whatever bytes they like.
#include <doctest/doctest.h>

#include <windows.h>
#include <process.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/win/scoped_handle.h"
#include "packsetup/prereq/msi_record_library.h"
#include "packsetup/prereq/pipe_io.h"
#include "packsetup/prereq/setup_watcher.h"
#include "packsetup/prereq/watcher_message.h"

namespace {

// A pipe name of this test run, so that no other watcher gets in the way.
std::wstring UniqueName()
{
    static int counter = 0;
    return L"TavrelWatcherTest-" + std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
}

struct Received {
    UINT type;
    bool hadRecord;
    std::vector<std::wstring> fields;
    std::wstring text;
};

// What the server's callbacks saw; read by the test after the reply.
struct Inbox {
    std::vector<Received> messages;
    int reply = 0;
    DWORD delay = 0;
};

std::vector<std::wstring> FieldsOf(MSIHANDLE record)
{
    std::vector<std::wstring> fields;
    const MsiRecordFunctions* msi = MsiRecords();
    UINT count = msi->RecordGetFieldCount(record);
    for (UINT field = 0; field <= count; ++field) {
        DWORD size = 0;
        wchar_t probe[1] = L"";
        msi->RecordGetStringW(record, field, probe, &size);
        std::vector<wchar_t> text(size + 1);
        ++size;
        msi->RecordGetStringW(record, field, text.data(), &size);
        fields.push_back(text.data());
    }
    return fields;
}

int WINAPI RecordInbox(void* context, UINT type, MSIHANDLE record)
{
    Inbox* inbox = static_cast<Inbox*>(context);
    Received received = {type, record != 0, record ? FieldsOf(record) : std::vector<std::wstring>(), L""};
    inbox->messages.push_back(received);
    Sleep(inbox->delay);
    return inbox->reply;
}

int WINAPI TextInbox(void* context, UINT type, const wchar_t* text)
{
    Inbox* inbox = static_cast<Inbox*>(context);
    inbox->messages.push_back(Received{type, false, {}, text});
    return inbox->reply;
}

// A new record with the fields; the caller owns it.
MSIHANDLE MakeRecord(const std::vector<std::wstring>& fields)
{
    const MsiRecordFunctions* msi = MsiRecords();
    MSIHANDLE record = msi->CreateRecord(static_cast<UINT>(fields.size() - 1));
    for (UINT i = 0; i < fields.size(); ++i)
        msi->RecordSetStringW(record, i, fields[i].c_str());
    return record;
}

// A client that writes raw bytes, to send what CSetupWatcher never would.
class RawClient {
public:
    explicit RawClient(const std::wstring& name) : overlapped_()
    {
        event_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        overlapped_.hEvent = event_.get();
        pipe_.Reset(CreateFileW((L"\\\\.\\pipe\\" + name).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    }
    bool Open() const { return static_cast<bool>(pipe_); }
    DWORD Send(const std::vector<BYTE>& bytes)
    {
        return WritePipeAll(pipe_.get(), overlapped_, bytes.data(), static_cast<DWORD>(bytes.size()), nullptr, 5000);
    }
    // The reply, or the error of reading it.
    DWORD Reply(int& reply, DWORD timeoutMs = 5000)
    {
        BYTE bytes[4];
        DWORD error = ReadPipeExact(pipe_.get(), overlapped_, bytes, 4, nullptr, timeoutMs);
        if (error == ERROR_SUCCESS)
            reply = static_cast<int>(ReadLittleEndian32(bytes));
        return error;
    }
    void Close() { pipe_.Reset(); }
    // Issues empty writes back to back until the time is up or the server
    // has gone.
    void FloodEmptyWrites(DWORD milliseconds)
    {
        BYTE none = 0;
        for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds;) {
            DWORD written = 0;
            ResetEvent(overlapped_.hEvent);
            if (WriteFile(pipe_.get(), &none, 0, &written, &overlapped_))
                continue;
            if (GetLastError() != ERROR_IO_PENDING || !GetOverlappedResult(pipe_.get(), &overlapped_, &written, TRUE))
                return;
        }
    }

private:
    ScopedHandle pipe_;
    ScopedHandle event_;
    OVERLAPPED overlapped_;
};

std::vector<BYTE> Message(DWORD type, const std::vector<std::wstring>& strings)
{
    DWORD size = WatcherMessageSize(strings);
    std::vector<BYTE> bytes(size);
    WriteWatcherMessage(bytes.data(), size, type, true, strings);
    return bytes;
}

// Framed (a valid total) but otherwise random: any type, any count, any
// string bytes, terminators or not, odd lengths.
std::vector<BYTE> RandomFramedMessage(std::mt19937& random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    DWORD bodyLength = 8 + random() % 300;
    std::vector<BYTE> bytes(4 + bodyLength);
    WriteLittleEndian32(bytes.data(), static_cast<DWORD>(bytes.size()));
    for (size_t i = 4; i < bytes.size(); ++i) {
        // Many zero bytes, so that some strings end and many are short.
        bytes[i] = static_cast<BYTE>(random() % 3 == 0 ? 0 : byte(random));
    }
    const DWORD counts[] = {0, 1, 2, 4, 200, 0x7FFFFFFF, 0xFFFFFFFF, static_cast<DWORD>(random())};
    WriteLittleEndian32(bytes.data() + 8, counts[random() % 8]);
    return bytes;
}

DWORD MillisecondsSince(DWORD start)
{
    return GetTickCount() - start;
}

unsigned __stdcall FloodThread(void* client)
{
    static_cast<RawClient*>(client)->FloodEmptyWrites(6000);
    return 0;
}

} // namespace

TEST_CASE("the msi.dll record functions are bound from the system folder")
{
    REQUIRE(MsiRecords() != nullptr);
}

TEST_CASE("records travel from client to server and the callback's result comes back")
{
    REQUIRE(MsiRecords());
    std::wstring name = UniqueName();
    Inbox inbox;
    inbox.reply = -77;
    CSetupWatcher server(WatcherRole::Server, name.c_str());
    REQUIRE(server.Open() == 0u);
    CHECK_FALSE(server.IsConnected());
    REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);

    CSetupWatcher client(WatcherRole::Client, name.c_str());
    REQUIRE(client.Open() == 0u);
    CHECK(client.IsConnected());

    SUBCASE("a record with its fields")
    {
        ScopedMsiRecord record(MakeRecord({L"[1]: [2]/[3]", L"2", L"", L"\u65e5\u672c"}));
        int reply = 0;
        REQUIRE(client.SendRecord(0x0A000000, record.get(), &reply) == 0u);
        CHECK(reply == -77);
        REQUIRE(inbox.messages.size() == 1);
        CHECK(inbox.messages[0].type == 0x0A000000u);
        CHECK(inbox.messages[0].hadRecord);
        CHECK(inbox.messages[0].fields == std::vector<std::wstring>{L"[1]: [2]/[3]", L"2", L"", L"\u65e5\u672c"});
    }
    SUBCASE("no record reaches the record callback as record 0")
    {
        int reply = 0;
        REQUIRE(client.SendRecord(5, 0, &reply) == 0u);
        REQUIRE(client.SendText(6, nullptr, &reply) == 0u);
        CHECK(reply == -77);
        REQUIRE(inbox.messages.size() == 2);
        CHECK_FALSE(inbox.messages[0].hadRecord);
        CHECK_FALSE(inbox.messages[1].hadRecord);
        CHECK(inbox.messages[1].type == 6u);
    }
    SUBCASE("a text is a record whose field 0 is the text")
    {
        int reply = 0;
        REQUIRE(client.SendText(1, L"hello [1]", &reply) == 0u);
        REQUIRE(inbox.messages.size() == 1);
        CHECK(inbox.messages[0].fields == std::vector<std::wstring>{L"hello [1]"});
    }
    SUBCASE("a message larger than the pipe's buffers arrives whole")
    {
        std::wstring big(6000, L'x');
        big[5999] = L'y';
        ScopedMsiRecord record(MakeRecord({L"", big}));
        int reply = 0;
        REQUIRE(client.SendRecord(1, record.get(), &reply) == 0u);
        REQUIRE(inbox.messages.size() == 1);
        REQUIRE(inbox.messages[0].fields.size() == 2);
        CHECK(inbox.messages[0].fields[1] == big);
        CHECK(reply == -77);
    }
}

TEST_CASE("a text callback gets the record formatted, or an empty text without a record")
{
    REQUIRE(MsiRecords());
    std::wstring name = UniqueName();
    Inbox inbox;
    inbox.reply = 3;
    CSetupWatcher server(WatcherRole::Server, name.c_str());
    REQUIRE(server.Open() == 0u);
    REQUIRE(server.StartWithTextCallback(TextInbox, &inbox) == 0u);
    CSetupWatcher client(WatcherRole::Client, name.c_str());
    REQUIRE(client.Open() == 0u);

    ScopedMsiRecord record(MakeRecord({L"Phase [1]: [2] of [3]", L"2", L"40", L"80"}));
    int reply = 0;
    REQUIRE(client.SendRecord(0, record.get(), &reply) == 0u);
    CHECK(reply == 3);
    REQUIRE(client.SendRecord(0, 0, &reply) == 0u);
    REQUIRE(inbox.messages.size() == 2);
    CHECK(inbox.messages[0].text == L"Phase 2: 40 of 80");
    CHECK(inbox.messages[1].text == L"");
}

TEST_CASE("each role refuses the other role's operations, and a server starts once")
{
    std::wstring name = UniqueName();
    Inbox inbox;
    CSetupWatcher server(WatcherRole::Server, name.c_str());
    REQUIRE(server.Open() == 0u);
    int reply = 0;
    CHECK(server.SendRecord(0, 0, &reply) == static_cast<DWORD>(ERROR_INVALID_OPERATION));
    CHECK(server.SendText(0, L"x", &reply) == static_cast<DWORD>(ERROR_INVALID_OPERATION));
    REQUIRE(server.StartWithTextCallback(TextInbox, &inbox) == 0u);
    CHECK(server.StartWithTextCallback(TextInbox, &inbox) == static_cast<DWORD>(ERROR_INVALID_OPERATION));
    CHECK(server.StartWithRecordCallback(RecordInbox, &inbox) == static_cast<DWORD>(ERROR_INVALID_OPERATION));

    CSetupWatcher client(WatcherRole::Client, name.c_str());
    CHECK(client.StartWithTextCallback(TextInbox, &inbox) == static_cast<DWORD>(ERROR_INVALID_OPERATION));
    CHECK(client.StartWithRecordCallback(RecordInbox, &inbox) == static_cast<DWORD>(ERROR_INVALID_OPERATION));
}

TEST_CASE("a client without a server reports reply -1 and success")
{
    CSetupWatcher client(WatcherRole::Client, UniqueName().c_str());
    CHECK(client.Open() == static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    CHECK_FALSE(client.IsConnected());
    int reply = 0;
    CHECK(client.SendText(0, L"nobody listens", &reply) == 0u);
    CHECK(reply == -1);
}

TEST_CASE("destroying a server whose client never came ends its worker promptly")
{
    Inbox inbox;
    DWORD start = GetTickCount();
    {
        std::wstring name = UniqueName();
        CSetupWatcher server(WatcherRole::Server, name.c_str());
        REQUIRE(server.Open() == 0u);
        REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
        Sleep(100);
    }
    CHECK(MillisecondsSince(start) < 3000u);
    CHECK(inbox.messages.empty());
}

TEST_CASE("a reply later than the client's time-out disconnects the client")
{
    REQUIRE(MsiRecords());
    std::wstring name = UniqueName();
    Inbox inbox;
    inbox.delay = 1000;
    CSetupWatcher server(WatcherRole::Server, name.c_str());
    REQUIRE(server.Open() == 0u);
    REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
    CSetupWatcher client(WatcherRole::Client, name.c_str());
    REQUIRE(client.Open() == 0u);
    client.SetReplyTimeout(200);

    int reply = 0;
    DWORD start = GetTickCount();
    CHECK(client.SendText(0, L"slow", &reply) == static_cast<DWORD>(WAIT_TIMEOUT));
    CHECK(MillisecondsSince(start) < 900u);
    CHECK_FALSE(client.IsConnected());
    CHECK(client.SendText(0, L"after", &reply) == 0u);
    CHECK(reply == -1);
}

TEST_CASE("malformed and random messages never bring the server down")
{
    REQUIRE(MsiRecords());
    std::mt19937 random(20240611);

    SUBCASE("framed random messages are answered, and so is a well-formed one afterwards")
    {
        for (bool textCallback : {false, true}) {
            CAPTURE(textCallback);
            std::wstring name = UniqueName();
            Inbox inbox;
            inbox.reply = 7;
            CSetupWatcher server(WatcherRole::Server, name.c_str());
            REQUIRE(server.Open() == 0u);
            REQUIRE((textCallback ? server.StartWithTextCallback(TextInbox, &inbox)
                                  : server.StartWithRecordCallback(RecordInbox, &inbox)) == 0u);
            RawClient client(name);
            REQUIRE(client.Open());

            for (int i = 0; i < 200; ++i) {
                CAPTURE(i);
                // An empty message now and then: no reply, the next one follows.
                if (i % 17 == 0)
                    REQUIRE(client.Send({0, 0, 0, 0}) == 0u);
                REQUIRE(client.Send(RandomFramedMessage(random)) == 0u);
                int reply = 0;
                REQUIRE(client.Reply(reply) == 0u);
                // A text callback is skipped when the record cannot be formatted.
                CHECK((reply == 7 || (textCallback && reply == 0)));
            }
            size_t before = inbox.messages.size();
            REQUIRE(client.Send(Message(42, {L"[1] [2]", L"1", L"50"})) == 0u);
            int reply = 0;
            REQUIRE(client.Reply(reply) == 0u);
            CHECK(reply == 7);
            REQUIRE(inbox.messages.size() == before + 1);
            CHECK(inbox.messages.back().type == 42u);
            if (textCallback)
                CHECK(inbox.messages.back().text == L"1 50");
            else
                CHECK(inbox.messages.back().fields == std::vector<std::wstring>{L"[1] [2]", L"1", L"50"});
        }
    }
    SUBCASE("a total below the header or beyond the bound drops the connection")
    {
        const DWORD totals[] = {1, 4, 8, 11, kWatcherMaxMessageSize + 1, 0x7FFFFFFF, 0xFFFFFFFF};
        for (DWORD total : totals) {
            CAPTURE(total);
            std::wstring name = UniqueName();
            Inbox inbox;
            CSetupWatcher server(WatcherRole::Server, name.c_str());
            REQUIRE(server.Open() == 0u);
            REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
            RawClient client(name);
            REQUIRE(client.Open());
            std::vector<BYTE> bytes(64, 0x41);
            WriteLittleEndian32(bytes.data(), total);
            client.Send(bytes);
            int reply = 0;
            DWORD error = client.Reply(reply);
            CHECK(error != 0u);
            CHECK(error != static_cast<DWORD>(WAIT_TIMEOUT));
            CHECK(inbox.messages.empty());
        }
        // Nothing is left behind: a new server of the same name serves.
        std::wstring name = UniqueName();
        Inbox inbox;
        CSetupWatcher server(WatcherRole::Server, name.c_str());
        REQUIRE(server.Open() == 0u);
        REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
        CSetupWatcher client(WatcherRole::Client, name.c_str());
        REQUIRE(client.Open() == 0u);
        int reply = -5;
        REQUIRE(client.SendText(0, L"fine", &reply) == 0u);
        CHECK(reply == 0);
    }
    SUBCASE("a message cut short by a client that goes away ends the worker")
    {
        DWORD start = GetTickCount();
        {
            std::wstring name = UniqueName();
            Inbox inbox;
            CSetupWatcher server(WatcherRole::Server, name.c_str());
            REQUIRE(server.Open() == 0u);
            REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
            RawClient client(name);
            REQUIRE(client.Open());
            std::vector<BYTE> bytes = Message(1, {L"[1]", L"1", L"2"});
            bytes.resize(bytes.size() / 2);
            REQUIRE(client.Send(bytes) == 0u);
            client.Close();
            Sleep(100);
            CHECK_FALSE(server.IsConnected());
            CHECK(inbox.messages.empty());
        }
        CHECK(MillisecondsSince(start) < 3000u);
    }
    SUBCASE("a message cut short by a client that stays does not hold up the server's end")
    {
        DWORD start = GetTickCount();
        std::wstring name = UniqueName();
        Inbox inbox;
        std::unique_ptr<RawClient> client;
        {
            CSetupWatcher server(WatcherRole::Server, name.c_str());
            REQUIRE(server.Open() == 0u);
            REQUIRE(server.StartWithRecordCallback(RecordInbox, &inbox) == 0u);
            client.reset(new RawClient(name));
            REQUIRE(client->Open());
            std::vector<BYTE> bytes = Message(1, {L"[1]", L"1", L"2"});
            bytes.resize(bytes.size() - 3);
            REQUIRE(client->Send(bytes) == 0u);
            Sleep(100);
        }
        CHECK(MillisecondsSince(start) < 3000u);
        CHECK(inbox.messages.empty());
    }
    SUBCASE("a client flooding empty writes does not hold up the server's end")
    {
        std::wstring name = UniqueName();
        Inbox inbox;
        std::unique_ptr<CSetupWatcher> server(new CSetupWatcher(WatcherRole::Server, name.c_str()));
        REQUIRE(server->Open() == 0u);
        REQUIRE(server->StartWithRecordCallback(RecordInbox, &inbox) == 0u);
        RawClient client(name);
        REQUIRE(client.Open());
        ScopedHandle flood(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, FloodThread, &client, 0, nullptr)));
        REQUIRE(flood);
        Sleep(200);
        DWORD start = GetTickCount();
        server.reset();
        CHECK(MillisecondsSince(start) < 3000u);
        WaitForSingleObject(flood.get(), INFINITE);
        CHECK(inbox.messages.empty());
    }
}
