#include "packsfx/cabinet_reader.h"

#include <fcntl.h>
#include <string.h>
#include <fdi.h>

#include "common/win/ntdll_library.h"
#include "common/win/scoped_handle.h"
#include "common/win/system_library.h"
#include "packsetup/open_without_links.h"
#include "packsfx/archive_names.h"

namespace {

typedef decltype(&FDICreate) FdiCreateFn;
typedef decltype(&FDICopy) FdiCopyFn;
typedef decltype(&FDIDestroy) FdiDestroyFn;

// The name under which the library asks for the cabinet: no file of that
// name is ever opened; it stands for the cabinet inside the program file.
char kCabinetToken[] = "package.cab";

enum class HandleKind { Cabinet, Memory, Output };

struct ReaderHandle {
    HandleKind kind;
    HANDLE file;          // the program file (not owned) or the output file (owned)
    uint64_t position;    // in the cabinet
    std::string* memory;  // for HandleKind::Memory
    // The cabinet is read ahead a megabyte at a time: the library asks for
    // every block's 8-byte header and its data separately, and each call to
    // the system costs more than the copy.
    std::vector<char> readAhead;
    uint64_t readAheadStart = 0;
};

const size_t kReadAheadSize = 1 << 20;

// What one FDICopy call works on. The library's file callbacks take no
// context, so the source is set for the duration of a call; calls are made
// one at a time.
struct CopyState {
    const CabinetSource* source = nullptr;
    CabinetListing* listing = nullptr;  // listing pass
    const std::wstring* folder = nullptr;  // unpacking pass
    const UnpackProgress* progress = nullptr;
    uint64_t written = 0;
    std::wstring lastParent;  // relative to the folder
    ScopedHandle unpackFolder;      // opened without links before the first file
    ScopedHandle lastParentFolder;  // open, for creating its files by name
    size_t fileIndex = 0;
    bool refused = false;
    DWORD writeError = ERROR_SUCCESS;
    // The file being written or read into memory, until its close: a copy
    // given up halfway may leave it open, and an open file could not be
    // removed again.
    ReaderHandle* openFile = nullptr;
};
CopyState* g_copyState = nullptr;

// Reads at an offset of the cabinet.
bool ReadCabinetAt(HANDLE file, uint64_t at, void* buffer, DWORD size, DWORD& read)
{
    uint64_t offset = g_copyState->source->offset + at;
    OVERLAPPED overlapped = {};
    overlapped.Offset = static_cast<DWORD>(offset);
    overlapped.OffsetHigh = static_cast<DWORD>(offset >> 32);
    return ReadFile(file, buffer, size, &read, &overlapped) != FALSE;
}

ReaderHandle* AsHandle(INT_PTR handle)
{
    return reinterpret_cast<ReaderHandle*>(handle);
}

FNALLOC(ReaderAlloc)
{
    return HeapAlloc(GetProcessHeap(), 0, cb);
}

FNFREE(ReaderFree)
{
    HeapFree(GetProcessHeap(), 0, pv);
}

FNOPEN(ReaderOpen)
{
    (void)pmode;
    if (!g_copyState || strcmp(pszFile, kCabinetToken) != 0 || (oflag & (_O_WRONLY | _O_RDWR | _O_CREAT)))
        return -1;
    return reinterpret_cast<INT_PTR>(new ReaderHandle{HandleKind::Cabinet, g_copyState->source->file, 0, nullptr, {}, 0});
}

FNREAD(ReaderRead)
{
    ReaderHandle* handle = AsHandle(hf);
    if (handle->kind != HandleKind::Cabinet)
        return static_cast<UINT>(-1);
    const CabinetSource& source = *g_copyState->source;
    if (handle->position >= source.size)
        return 0;
    uint64_t left = source.size - handle->position;
    DWORD wanted = static_cast<DWORD>(left < cb ? left : cb);
    std::vector<char>& ahead = handle->readAhead;
    uint64_t start = handle->readAheadStart;
    bool buffered = handle->position >= start && handle->position + wanted <= start + ahead.size();
    if (!buffered && wanted < kReadAheadSize) {
        DWORD chunk = static_cast<DWORD>(left < kReadAheadSize ? left : kReadAheadSize);
        ahead.resize(kReadAheadSize);
        DWORD read = 0;
        if (!ReadCabinetAt(handle->file, handle->position, ahead.data(), chunk, read)) {
            ahead.clear();
            return static_cast<UINT>(-1);
        }
        ahead.resize(read);
        handle->readAheadStart = start = handle->position;
        buffered = handle->position + wanted <= start + ahead.size();
    }
    if (buffered) {
        memcpy(pv, ahead.data() + (handle->position - start), wanted);
        handle->position += wanted;
        return wanted;
    }
    DWORD read = 0;
    if (!ReadCabinetAt(handle->file, handle->position, pv, wanted, read))
        return static_cast<UINT>(-1);
    handle->position += read;
    return read;
}

FNWRITE(ReaderWrite)
{
    ReaderHandle* handle = AsHandle(hf);
    if (handle->kind == HandleKind::Memory) {
        handle->memory->append(static_cast<const char*>(pv), cb);
        return cb;
    }
    if (handle->kind != HandleKind::Output)
        return static_cast<UINT>(-1);
    DWORD written = 0;
    if (!WriteFile(handle->file, pv, cb, &written, nullptr) || written != cb) {
        DWORD error = GetLastError();
        g_copyState->writeError = error == ERROR_SUCCESS ? ERROR_WRITE_FAULT : error;
        return static_cast<UINT>(-1);
    }
    g_copyState->written += written;
    if (g_copyState->progress && *g_copyState->progress)
        (*g_copyState->progress)(g_copyState->written);
    return written;
}

FNCLOSE(ReaderClose)
{
    ReaderHandle* handle = AsHandle(hf);
    if (handle->kind == HandleKind::Output)
        CloseHandle(handle->file);
    if (g_copyState && g_copyState->openFile == handle)
        g_copyState->openFile = nullptr;
    delete handle;
    return 0;
}

FNSEEK(ReaderSeek)
{
    ReaderHandle* handle = AsHandle(hf);
    if (handle->kind != HandleKind::Cabinet)
        return -1;
    int64_t base = 0;
    if (seektype == SEEK_CUR)
        base = static_cast<int64_t>(handle->position);
    else if (seektype == SEEK_END)
        base = static_cast<int64_t>(g_copyState->source->size);
    int64_t position = base + dist;
    if (position < 0 || position > static_cast<int64_t>(g_copyState->source->size))
        return -1;
    handle->position = static_cast<uint64_t>(position);
    return static_cast<__LONG32>(position);
}

bool DecodeName(const FDINOTIFICATION* notification, std::wstring& name)
{
    UINT codePage = (notification->attribs & _A_NAME_IS_UTF) ? CP_UTF8 : CP_ACP;
    int size = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, notification->psz1, -1, nullptr, 0);
    if (size <= 1)
        return false;
    std::vector<wchar_t> wide(static_cast<size_t>(size));
    if (!MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, notification->psz1, -1, wide.data(), size))
        return false;
    name.assign(wide.data());
    return true;
}

// The checked relative path of the file that the notification names.
bool CheckedName(const FDINOTIFICATION* notification, std::wstring& relative)
{
    std::wstring name;
    if (DecodeName(notification, name) && ArchiveNameInsideFolder(name, relative))
        return true;
    g_copyState->refused = true;
    if (g_copyState->listing)
        g_copyState->listing->refusedName = name.empty() ? std::wstring(L"?") : name;
    return false;
}

FNFDINOTIFY(ListNotify)
{
    switch (fdint) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
        return 0;
    case fdintCOPY_FILE: {
        std::wstring relative;
        if (!CheckedName(pfdin, relative))
            return -1;
        CabinetListing& listing = *g_copyState->listing;
        listing.names.push_back(relative);
        listing.totalSize += static_cast<uint32_t>(pfdin->cb);
        if (g_copyState->fileIndex++ != 0)
            return 0;
        g_copyState->openFile = new ReaderHandle{HandleKind::Memory, nullptr, 0, &listing.firstFile, {}, 0};
        return reinterpret_cast<INT_PTR>(g_copyState->openFile);
    }
    case fdintCLOSE_FILE_INFO:
        ReaderClose(pfdin->hf);
        return TRUE;
    default:
        // A cabinet of a set, or a file continued from another: never ours.
        return -1;
    }
}

// Opens the file's folder, creating the folders between it and the unpack
// folder, each inside the one above by its handle and never through a link.
// A cabinet lists a folder's files together: the folder opened for the file
// before is kept, so that a file beside it is created by its name alone,
// without the path being walked again. False with the last error set.
bool OpenParentFolder(const std::wstring& relative, CopyState& state)
{
    size_t last = relative.rfind(L'\\');
    std::wstring parent = last == std::wstring::npos ? std::wstring() : relative.substr(0, last);
    if (state.lastParentFolder && parent == state.lastParent)
        return true;
    state.lastParentFolder.Reset();
    HANDLE top = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), state.unpackFolder.get(), GetCurrentProcess(), &top, 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    ScopedHandle folder(top);
    std::wstring folderPath = *state.folder;
    size_t start = 0;
    while (start < parent.size()) {
        size_t end = parent.find(L'\\', start);
        std::wstring name = parent.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        OpenedEntry inside;
        bool created = false;
        const ACCESS_MASK kCreateInside = FILE_ADD_SUBDIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE;
        EntryOpening opening = OpenOrCreateFolderIn(folder.get(), folderPath, name, kCreateInside, inside, created);
        if (opening != EntryOpening::Opened) {
            if (opening == EntryOpening::Refused || GetLastError() == ERROR_SUCCESS)
                SetLastError(ERROR_CANNOT_MAKE);
            return false;
        }
        folder = std::move(inside.handle);
        folderPath += L"\\" + name;
        if (end == std::wstring::npos)
            break;
        start = end + 1;
    }
    state.lastParentFolder = std::move(folder);
    state.lastParent = parent;
    return true;
}

// Creates a new file by its name in an open folder.
HANDLE CreateFileIn(HANDLE folder, const std::wstring& name, DWORD& error)
{
    UNICODE_STRING counted;
    counted.Buffer = const_cast<wchar_t*>(name.c_str());
    counted.Length = static_cast<USHORT>(name.size() * sizeof(wchar_t));
    counted.MaximumLength = counted.Length;
    OBJECT_ATTRIBUTES object;
    InitializeObjectAttributes(&object, &counted, OBJ_CASE_INSENSITIVE, folder, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    const NtdllApi& nt = Ntdll();
    const NTSTATUS kNameCollision = static_cast<NTSTATUS>(0xC0000035L);
    if (!nt.createFile) {
        error = ERROR_PROC_NOT_FOUND;
        return nullptr;
    }
    NTSTATUS status = nt.createFile(&handle, GENERIC_WRITE | SYNCHRONIZE, &object, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                                    0, FILE_CREATE, FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
    if (!NT_SUCCESS(status)) {
        // Otherwise the system's own error, so that a full disk is told as one.
        if (status == kNameCollision)
            error = ERROR_FILE_EXISTS;
        else
            error = nt.statusToWin32Error ? nt.statusToWin32Error(status) : ERROR_CANNOT_MAKE;
        return nullptr;
    }
    return handle;
}

void SetFileDate(HANDLE file, USHORT date, USHORT time)
{
    FILETIME local;
    FILETIME universal;
    if (DosDateTimeToFileTime(date, time, &local) && LocalFileTimeToFileTime(&local, &universal))
        SetFileTime(file, nullptr, nullptr, &universal);
}

FNFDINOTIFY(UnpackNotify)
{
    switch (fdint) {
    case fdintCABINET_INFO:
    case fdintENUMERATE:
        return 0;
    case fdintCOPY_FILE: {
        std::wstring relative;
        if (!CheckedName(pfdin, relative))
            return -1;
        std::wstring path = *g_copyState->folder + L"\\" + relative;
        if (path.size() >= MAX_PATH) {
            g_copyState->refused = true;
            return -1;
        }
        if (!OpenParentFolder(relative, *g_copyState)) {
            g_copyState->writeError = GetLastError();
            return -1;
        }
        DWORD error = ERROR_SUCCESS;
        std::wstring name = relative.substr(relative.rfind(L'\\') + 1);
        HANDLE file = CreateFileIn(g_copyState->lastParentFolder.get(), name, error);
        if (!file) {
            g_copyState->writeError = error;
            return -1;
        }
        g_copyState->openFile = new ReaderHandle{HandleKind::Output, file, 0, nullptr, {}, 0};
        return reinterpret_cast<INT_PTR>(g_copyState->openFile);
    }
    case fdintCLOSE_FILE_INFO: {
        ReaderHandle* handle = AsHandle(pfdin->hf);
        SetFileDate(handle->file, pfdin->date, pfdin->time);
        BOOL closed = CloseHandle(handle->file);
        if (!closed)
            g_copyState->writeError = GetLastError();
        g_copyState->openFile = nullptr;
        delete handle;
        return closed ? TRUE : FALSE;
    }
    default:
        return -1;
    }
}

class FdiContext {
public:
    FdiContext(const FdiContext&) = delete;
    FdiContext& operator=(const FdiContext&) = delete;
    FdiContext() : library_(LoadSystemLibrary(L"cabinet.dll"))
    {
        FdiCreateFn create = BindProc<FdiCreateFn>(library_.get(), "FDICreate");
        copy_ = BindProc<FdiCopyFn>(library_.get(), "FDICopy");
        destroy_ = BindProc<FdiDestroyFn>(library_.get(), "FDIDestroy");
        if (create && copy_ && destroy_)
            context_ = create(ReaderAlloc, ReaderFree, ReaderOpen, ReaderRead, ReaderWrite, ReaderClose, ReaderSeek,
                              cpuUNKNOWN, &erf_);
    }
    ~FdiContext()
    {
        if (context_)
            destroy_(context_);
    }
    bool Copy(CopyState& state, PFNFDINOTIFY notify)
    {
        if (!context_)
            return false;
        g_copyState = &state;
        char path[] = "";
        BOOL copied = copy_(context_, kCabinetToken, path, 0, notify, nullptr, nullptr);
        if (state.openFile)
            ReaderClose(reinterpret_cast<INT_PTR>(state.openFile));
        g_copyState = nullptr;
        return copied != FALSE;
    }

private:
    ScopedModule library_;
    FdiCopyFn copy_ = nullptr;
    FdiDestroyFn destroy_ = nullptr;
    HFDI context_ = nullptr;
    ERF erf_ = {};
};

} // namespace

bool ListCabinet(const CabinetSource& source, CabinetListing& listing)
{
    FdiContext fdi;
    CopyState state;
    state.source = &source;
    state.listing = &listing;
    return fdi.Copy(state, ListNotify) && !state.refused && !listing.names.empty();
}

UnpackResult UnpackCabinet(const CabinetSource& source, const std::wstring& folder, const UnpackProgress& progress,
                           DWORD& error)
{
    FdiContext fdi;
    CopyState state;
    state.source = &source;
    state.folder = &folder;
    state.progress = &progress;
    OpenedEntry unpackFolder;
    EntryOpening opening = OpenEntryWithoutLinks(folder, FILE_ADD_SUBDIRECTORY | FILE_ADD_FILE | FILE_TRAVERSE,
                                                 unpackFolder);
    if (opening != EntryOpening::Opened || unpackFolder.isLink) {
        error = ERROR_CANNOT_MAKE;
        return UnpackResult::WriteFailed;
    }
    state.unpackFolder = std::move(unpackFolder.handle);
    bool copied = fdi.Copy(state, UnpackNotify);
    error = state.writeError;
    if (state.refused)
        return UnpackResult::Refused;
    if (state.writeError != ERROR_SUCCESS)
        return UnpackResult::WriteFailed;
    return copied ? UnpackResult::Done : UnpackResult::Damaged;
}
