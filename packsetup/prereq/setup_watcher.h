#pragma once

// CSetupWatcher carries progress messages from a chained setup program back
// to the installer over a local named pipe. The server creates the pipe and
// answers each message on its own thread with the result of a callback; the
// client (the chained setup) sends records and waits a bounded time for each
// reply. Every operation returns a Windows error code (0 = success).
#include <windows.h>

#include <memory>

#include "common/win/scoped_handle.h"
#include "packsetup/prereq/msi_record_library.h"

// The pipe that the .NET Framework 3 setup reports to: "\\.\pipe\" + this.
extern const wchar_t kSetupWatcherPipeName[];

// Shaped like the Windows Installer external UI handlers. The record (0 when
// the message carried none) belongs to the watcher and is closed after the
// call; the result is the reply to the client.
typedef int(WINAPI* SetupRecordCallback)(void* context, UINT messageType, MSIHANDLE record);
typedef int(WINAPI* SetupTextCallback)(void* context, UINT messageType, const wchar_t* text);

enum class WatcherRole { Server, Client };

class CSetupWatcher final {
public:
    // The installer is the server; the name is not copied and must outlive
    // the object.
    explicit CSetupWatcher(WatcherRole role = WatcherRole::Server, const wchar_t* name = kSetupWatcherPipeName);
    // Stops and waits for the worker, then closes everything.
    ~CSetupWatcher();
    CSetupWatcher(const CSetupWatcher&) = delete;
    CSetupWatcher& operator=(const CSetupWatcher&) = delete;

    // Server: creates the pipe and starts waiting for the client. Client:
    // opens the server's pipe.
    virtual DWORD Open();
    virtual bool IsConnected();
    // Server only, once: starts the worker that answers messages with the
    // callback. ERROR_INVALID_OPERATION on a client or a second start.
    virtual DWORD StartWithRecordCallback(SetupRecordCallback callback, void* context);
    virtual DWORD StartWithTextCallback(SetupTextCallback callback, void* context);
    // Client only: sends a record (0 for none) or a text and reads the reply.
    // Not connected: *reply = -1 and success.
    virtual DWORD SendRecord(UINT messageType, MSIHANDLE record, int* reply);
    virtual DWORD SendText(UINT messageType, const wchar_t* text, int* reply);
    virtual void SetReplyTimeout(DWORD milliseconds);

private:
    struct WorkerParams;
    static unsigned __stdcall WorkerThread(void* argument);

    DWORD Start(SetupTextCallback textCallback, SetupRecordCallback recordCallback, void* context);
    DWORD Serve(const WorkerParams& params);
    DWORD WaitForClient();
    DWORD ReadMessage(UINT& messageType, ScopedMsiRecord& record);
    int Deliver(const WorkerParams& params, UINT messageType, MSIHANDLE record);
    DWORD WriteReply(int result);
    void Disconnect();
    DWORD GrowBuffer(DWORD size);
    DWORD Transmit(UINT messageType, MSIHANDLE record, int* reply);
    void ClosePipe();

    bool server_;
    const wchar_t* name_;
    std::unique_ptr<wchar_t[]> pipePath_;
    ScopedHandle pipe_;
    ScopedHandle thread_;
    ScopedHandle stopEvent_;
    OVERLAPPED overlapped_;
    ScopedHandle overlappedEvent_;
    std::unique_ptr<BYTE[]> buffer_;
    DWORD bufferCapacity_ = 0;
    bool connectPending_ = false;
    bool connected_ = false;
    DWORD replyTimeout_ = 2000;
};
