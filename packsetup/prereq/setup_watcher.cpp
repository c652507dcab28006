#include "packsetup/prereq/setup_watcher.h"

#include <process.h>

#include <new>
#include <string>
#include <vector>

#include "packsetup/prereq/pipe_io.h"
#include "packsetup/prereq/watcher_message.h"

const wchar_t kSetupWatcherPipeName[] = L"TavrelNetFX3SetupWatcher";

namespace {

const wchar_t kPipePrefix[] = L"\\\\.\\pipe\\";
const DWORD kPipeBufferSize = 1024;
// How long the destructor waits for a cancelled connect to complete.
const DWORD kConnectCancelWait = 5000;

// Only the first instance: a pipe of this name that another process made
// first is not joined. Remote clients are refused where the system knows how;
// Windows XP does not and fails the call with ERROR_INVALID_PARAMETER.
HANDLE CreatePipeServer(const wchar_t* path)
{
    const DWORD openMode = PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE;
    const DWORD pipeMode = PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT;
    HANDLE pipe = CreateNamedPipeW(path, openMode, pipeMode | PIPE_REJECT_REMOTE_CLIENTS, 1, kPipeBufferSize,
                                   kPipeBufferSize, 0, nullptr);
    if (pipe == INVALID_HANDLE_VALUE && GetLastError() == ERROR_INVALID_PARAMETER)
        pipe = CreateNamedPipeW(path, openMode, pipeMode, 1, kPipeBufferSize, kPipeBufferSize, 0, nullptr);
    return pipe;
}

bool IsOrderlyEnd(DWORD status)
{
    return status == ERROR_OPERATION_ABORTED || status == ERROR_BROKEN_PIPE || status == ERROR_NO_DATA;
}

// A record field as text; empty for an empty or null field.
std::wstring FieldText(const MsiRecordFunctions& msi, MSIHANDLE record, UINT field)
{
    wchar_t empty[1] = L"";
    DWORD size = 0;
    if (msi.RecordGetStringW(record, field, empty, &size) != ERROR_MORE_DATA)
        return std::wstring();
    std::vector<wchar_t> text(size + 1);
    DWORD capacity = size + 1;
    if (msi.RecordGetStringW(record, field, text.data(), &capacity) != ERROR_SUCCESS)
        return std::wstring();
    return std::wstring(text.data(), capacity);
}

} // namespace

struct CSetupWatcher::WorkerParams {
    CSetupWatcher* watcher;
    SetupTextCallback textCallback;
    SetupRecordCallback recordCallback;
    void* context;
};

CSetupWatcher::CSetupWatcher(WatcherRole role, const wchar_t* name)
    : server_(role == WatcherRole::Server), name_(name), overlapped_()
{
    overlappedEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    overlapped_.hEvent = overlappedEvent_.get();
}

CSetupWatcher::~CSetupWatcher()
{
    if (thread_) {
        SetEvent(stopEvent_.get());
        WaitForSingleObject(thread_.get(), INFINITE);
        thread_.Reset();
    }
    // A client that never came leaves the connect of Open pending; it must
    // have completed before the OVERLAPPED goes away. CancelIo reaches it
    // when Open ran on this thread, closing the pipe in any case.
    if (connectPending_ && pipe_) {
        CancelIo(pipe_.get());
        pipe_.Reset();
        WaitForSingleObject(overlapped_.hEvent, kConnectCancelWait);
    }
    pipe_.Reset();
    stopEvent_.Reset();
    connectPending_ = false;
    connected_ = false;
}

DWORD CSetupWatcher::Open()
{
    // Reopening would pull the pipe from under a running worker.
    if (pipe_ || !overlapped_.hEvent)
        return pipe_ ? ERROR_INVALID_OPERATION : ERROR_OUTOFMEMORY;

    size_t prefixLength = wcslen(kPipePrefix);
    size_t nameLength = wcslen(name_);
    pipePath_.reset(new (std::nothrow) wchar_t[prefixLength + nameLength + 1]);
    if (!pipePath_)
        return ERROR_OUTOFMEMORY;
    wmemcpy(pipePath_.get(), kPipePrefix, prefixLength);
    wmemcpy(pipePath_.get() + prefixLength, name_, nameLength + 1);

    if (!server_) {
        pipe_.Reset(CreateFileW(pipePath_.get(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr));
        if (!pipe_)
            return GetLastError();
        connected_ = true;
        return ERROR_SUCCESS;
    }

    pipe_.Reset(CreatePipeServer(pipePath_.get()));
    if (!pipe_)
        return GetLastError();
    ResetEvent(overlapped_.hEvent);
    if (ConnectNamedPipe(pipe_.get(), &overlapped_)) {
        connected_ = true;
        return ERROR_SUCCESS;
    }
    DWORD error = GetLastError();
    if (error == ERROR_IO_PENDING) {
        connectPending_ = true;
        return ERROR_SUCCESS;
    }
    // A client that opened the pipe between its creation and the connect
    // call is connected all the same.
    if (error == ERROR_PIPE_CONNECTED) {
        connected_ = true;
        return ERROR_SUCCESS;
    }
    return error;
}

bool CSetupWatcher::IsConnected()
{
    return connected_;
}

DWORD CSetupWatcher::StartWithRecordCallback(SetupRecordCallback callback, void* context)
{
    return Start(nullptr, callback, context);
}

DWORD CSetupWatcher::StartWithTextCallback(SetupTextCallback callback, void* context)
{
    return Start(callback, nullptr, context);
}

DWORD CSetupWatcher::Start(SetupTextCallback textCallback, SetupRecordCallback recordCallback, void* context)
{
    if (!server_ || stopEvent_)
        return ERROR_INVALID_OPERATION;
    stopEvent_.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stopEvent_)
        return GetLastError();
    std::unique_ptr<WorkerParams> params(new (std::nothrow) WorkerParams{this, textCallback, recordCallback, context});
    if (!params) {
        stopEvent_.Reset();
        return ERROR_OUTOFMEMORY;
    }
    thread_.Reset();
    uintptr_t thread = _beginthreadex(nullptr, 0, WorkerThread, params.get(), 0, nullptr);
    if (!thread) {
        DWORD error = GetLastError();
        stopEvent_.Reset();
        return error != ERROR_SUCCESS ? error : ERROR_NOT_ENOUGH_MEMORY;
    }
    params.release();
    thread_.Reset(reinterpret_cast<HANDLE>(thread));
    return ERROR_SUCCESS;
}

unsigned __stdcall CSetupWatcher::WorkerThread(void* argument)
{
    std::unique_ptr<WorkerParams> owned(static_cast<WorkerParams*>(argument));
    WorkerParams params = *owned;
    owned.reset();
    return params.watcher->Serve(params);
}

// The stop event is left for the destructor to close: closing it here could
// race with the destructor signalling it.
DWORD CSetupWatcher::Serve(const WorkerParams& params)
{
    DWORD status = WaitForClient();
    if (status == ERROR_OPERATION_ABORTED)
        status = ERROR_SUCCESS;
    while (connected_) {
        // A client that keeps the pipe full would otherwise never let the
        // worker see the stop request.
        if (WaitForSingleObject(stopEvent_.get(), 0) == WAIT_OBJECT_0) {
            Disconnect();
            break;
        }
        UINT messageType = 0;
        ScopedMsiRecord record;
        status = ReadMessage(messageType, record);
        if (status == ERROR_SUCCESS) {
            int result = Deliver(params, messageType, record.get());
            record.Reset();
            status = WriteReply(result);
        } else if (IsOrderlyEnd(status)) {
            status = ERROR_SUCCESS;
        }
    }
    return status;
}

// The connect was issued by Open, possibly on another thread, so it is not
// cancelled here; the destructor deals with a connect still pending.
DWORD CSetupWatcher::WaitForClient()
{
    if (!connectPending_)
        return ERROR_SUCCESS;
    HANDLE events[2] = {overlapped_.hEvent, stopEvent_.get()};
    DWORD wait = WaitForMultipleObjects(2, events, FALSE, INFINITE);
    if (wait == WAIT_OBJECT_0 + 1)
        return ERROR_OPERATION_ABORTED;
    if (wait != WAIT_OBJECT_0)
        return GetLastError();
    connectPending_ = false;
    DWORD ignored = 0;
    if (!GetOverlappedResult(pipe_.get(), &overlapped_, &ignored, FALSE))
        return GetLastError();
    connected_ = true;
    return ERROR_SUCCESS;
}

DWORD CSetupWatcher::ReadMessage(UINT& messageType, ScopedMsiRecord& record)
{
    BYTE totalBytes[4];
    DWORD error = ReadPipeExact(pipe_.get(), overlapped_, totalBytes, sizeof(totalBytes), stopEvent_.get(), INFINITE);
    if (error != ERROR_SUCCESS) {
        Disconnect();
        return error;
    }
    DWORD total = ReadLittleEndian32(totalBytes);
    switch (ClassifyWatcherTotal(total)) {
    case WatcherTotal::Empty:
        return ERROR_OPERATION_ABORTED;
    case WatcherTotal::Malformed:
        // The stream cannot be trusted to find the next message's start.
        Disconnect();
        return ERROR_INVALID_DATA;
    case WatcherTotal::Valid:
        break;
    }

    DWORD bodySize = total - 4;
    error = GrowBuffer(bodySize);
    if (error == ERROR_SUCCESS)
        error = ReadPipeExact(pipe_.get(), overlapped_, buffer_.get(), bodySize, stopEvent_.get(), INFINITE);
    if (error != ERROR_SUCCESS) {
        // Without the body the next message's start is unknown as well.
        Disconnect();
        return error;
    }

    WatcherMessage message;
    ParseWatcherBody(buffer_.get(), bodySize, message);
    messageType = message.type;
    const MsiRecordFunctions* msi = MsiRecords();
    if (message.declaredCount > 0 && msi) {
        // Only the strings that arrived whole become fields.
        UINT present = static_cast<UINT>(message.strings.size());
        record.Reset(msi->CreateRecord(present > 0 ? present - 1 : 0));
        if (record.get()) {
            for (UINT i = 0; i < present; ++i)
                msi->RecordSetStringW(record.get(), i, message.strings[i].c_str());
        }
    }
    return ERROR_SUCCESS;
}

int CSetupWatcher::Deliver(const WorkerParams& params, UINT messageType, MSIHANDLE record)
{
    if (params.textCallback) {
        if (!record)
            return params.textCallback(params.context, messageType, L"");
        const MsiRecordFunctions* msi = MsiRecords();
        wchar_t probe[1] = L"";
        DWORD size = 0;
        if (msi->FormatRecordW(0, record, probe, &size) != ERROR_MORE_DATA)
            return 0;
        std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[size + 1]);
        if (!text)
            return 0;
        DWORD capacity = size + 1;
        if (msi->FormatRecordW(0, record, text.get(), &capacity) != ERROR_SUCCESS)
            return 0;
        return params.textCallback(params.context, messageType, text.get());
    }
    if (params.recordCallback)
        return params.recordCallback(params.context, messageType, record);
    return 0;
}

DWORD CSetupWatcher::WriteReply(int result)
{
    BYTE reply[kWatcherReplySize];
    WriteLittleEndian32(reply, static_cast<DWORD>(result));
    DWORD error = WritePipeAll(pipe_.get(), overlapped_, reply, sizeof(reply), stopEvent_.get(), INFINITE);
    if (error != ERROR_SUCCESS)
        Disconnect();
    return error;
}

void CSetupWatcher::Disconnect()
{
    DisconnectNamedPipe(pipe_.get());
    connected_ = false;
}

DWORD CSetupWatcher::GrowBuffer(DWORD size)
{
    if (size <= bufferCapacity_)
        return ERROR_SUCCESS;
    buffer_.reset();
    bufferCapacity_ = 0;
    buffer_.reset(new (std::nothrow) BYTE[size]);
    if (!buffer_)
        return ERROR_OUTOFMEMORY;
    bufferCapacity_ = size;
    return ERROR_SUCCESS;
}

DWORD CSetupWatcher::SendRecord(UINT messageType, MSIHANDLE record, int* reply)
{
    return Transmit(messageType, record, reply);
}

DWORD CSetupWatcher::SendText(UINT messageType, const wchar_t* text, int* reply)
{
    if (server_ || !connected_ || !text)
        return Transmit(messageType, 0, reply);
    const MsiRecordFunctions* msi = MsiRecords();
    if (!msi)
        return ERROR_PROC_NOT_FOUND;
    ScopedMsiRecord record(msi->CreateRecord(0));
    if (!record.get())
        return ERROR_OUTOFMEMORY;
    UINT error = msi->RecordSetStringW(record.get(), 0, text);
    if (error != ERROR_SUCCESS)
        return error;
    return Transmit(messageType, record.get(), reply);
}

DWORD CSetupWatcher::Transmit(UINT messageType, MSIHANDLE record, int* reply)
{
    if (server_)
        return ERROR_INVALID_OPERATION;
    if (!connected_) {
        if (reply)
            *reply = -1;
        return ERROR_SUCCESS;
    }

    std::vector<std::wstring> strings;
    if (record) {
        const MsiRecordFunctions* msi = MsiRecords();
        if (!msi)
            return ERROR_PROC_NOT_FOUND;
        UINT count = msi->RecordGetFieldCount(record) + 1;
        for (UINT field = 0; field < count; ++field)
            strings.push_back(FieldText(*msi, record, field));
    }
    DWORD total = WatcherMessageSize(strings);
    if (total == 0)
        return ERROR_ARITHMETIC_OVERFLOW;
    DWORD error = GrowBuffer(total);
    if (error != ERROR_SUCCESS)
        return error;
    WriteWatcherMessage(buffer_.get(), total, messageType, record != 0, strings);

    error = WritePipeAll(pipe_.get(), overlapped_, buffer_.get(), total, nullptr, replyTimeout_);
    if (error == ERROR_SUCCESS)
        error = ReadPipeExact(pipe_.get(), overlapped_, buffer_.get(), kWatcherReplySize, nullptr, replyTimeout_);
    if (error != ERROR_SUCCESS) {
        ClosePipe();
        return error;
    }
    if (reply)
        *reply = static_cast<int>(ReadLittleEndian32(buffer_.get()));
    return ERROR_SUCCESS;
}

void CSetupWatcher::ClosePipe()
{
    connected_ = false;
    pipe_.Reset();
}

void CSetupWatcher::SetReplyTimeout(DWORD milliseconds)
{
    replyTimeout_ = milliseconds;
}
