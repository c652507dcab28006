#include "packcheck/cabinet_writer.h"

#include <windows.h>
#include <fci.h>
#include <fcntl.h>

#include "common/win/system_library.h"

namespace {

typedef decltype(&FCICreate) FciCreateFn;
typedef decltype(&FCIAddFile) FciAddFileFn;
typedef decltype(&FCIFlushFolder) FciFlushFolderFn;
typedef decltype(&FCIFlushCabinet) FciFlushCabinetFn;
typedef decltype(&FCIDestroy) FciDestroyFn;

// Every name that the cabinet library hands back to these callbacks is one
// they gave it: a path in UTF-8, so that no name is bent by a code page.
std::string ToUtf8(const std::wstring& text)
{
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &result[0], size, nullptr, nullptr);
    return result;
}

std::wstring FromUtf8(const char* text)
{
    int size = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return std::wstring();
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text, -1, &result[0], size);
    result.resize(static_cast<size_t>(size - 1));
    return result;
}

// The library's file values are our handles: a valid one is never -1, the
// value that tells the library an open failed.
INT_PTR AsFileValue(HANDLE handle)
{
    return reinterpret_cast<INT_PTR>(handle);
}

HANDLE AsHandle(INT_PTR file)
{
    return reinterpret_cast<HANDLE>(file);
}

FNFCIALLOC(CabAlloc)
{
    return HeapAlloc(GetProcessHeap(), 0, cb);
}

FNFCIFREE(CabFree)
{
    HeapFree(GetProcessHeap(), 0, memory);
}

FNFCIOPEN(CabOpen)
{
    (void)pmode;
    (void)pv;
    DWORD access = GENERIC_READ;
    if (oflag & (_O_WRONLY | _O_RDWR))
        access |= GENERIC_WRITE;
    DWORD disposition = OPEN_EXISTING;
    if ((oflag & _O_CREAT) && (oflag & _O_EXCL))
        disposition = CREATE_NEW;
    else if (oflag & _O_CREAT)
        disposition = CREATE_ALWAYS;
    HANDLE handle = CreateFileW(FromUtf8(pszFile).c_str(), access, FILE_SHARE_READ, nullptr, disposition,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return AsFileValue(handle);
}

FNFCIREAD(CabRead)
{
    (void)pv;
    DWORD read = 0;
    if (!ReadFile(AsHandle(hf), memory, cb, &read, nullptr)) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return read;
}

FNFCIWRITE(CabWrite)
{
    (void)pv;
    DWORD written = 0;
    if (!WriteFile(AsHandle(hf), memory, cb, &written, nullptr) || written != cb) {
        *err = static_cast<int>(GetLastError());
        return static_cast<UINT>(-1);
    }
    return written;
}

FNFCICLOSE(CabClose)
{
    (void)pv;
    if (!CloseHandle(AsHandle(hf))) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return 0;
}

FNFCISEEK(CabSeek)
{
    (void)pv;
    LARGE_INTEGER distance;
    distance.QuadPart = dist;
    LARGE_INTEGER position;
    DWORD method = seektype == SEEK_CUR ? FILE_CURRENT : seektype == SEEK_END ? FILE_END : FILE_BEGIN;
    if (!SetFilePointerEx(AsHandle(hf), distance, &position, method)) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return static_cast<__LONG32>(position.QuadPart);
}

FNFCIDELETE(CabDelete)
{
    (void)pv;
    if (!DeleteFileW(FromUtf8(pszFile).c_str())) {
        *err = static_cast<int>(GetLastError());
        return -1;
    }
    return 0;
}

// A name in the temporary folder that no file has yet; the library creates it.
FNFCIGETTEMPFILE(CabTempFile)
{
    (void)pv;
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length >= MAX_PATH || !GetTempFileNameW(folder, L"cab", 0, path))
        return FALSE;
    DeleteFileW(path);
    std::string name = ToUtf8(path);
    if (name.size() + 1 > static_cast<size_t>(cbTempName))
        return FALSE;
    memcpy(pszTempName, name.c_str(), name.size() + 1);
    return TRUE;
}

FNFCIFILEPLACED(CabFilePlaced)
{
    (void)pccab;
    (void)pszFile;
    (void)cbFile;
    (void)fContinuation;
    (void)pv;
    return 0;
}

// One cabinet only: it is never split.
FNFCIGETNEXTCABINET(CabNextCabinet)
{
    (void)pccab;
    (void)cbPrevCab;
    (void)pv;
    return FALSE;
}

FNFCISTATUS(CabStatus)
{
    (void)cb1;
    (void)pv;
    // For the cabinet's own status, the size it is to have is the answer.
    return typeStatus == statusCabinet ? static_cast<__LONG32>(cb2) : 0;
}

FNFCIGETOPENINFO(CabOpenInfo)
{
    (void)pv;
    HANDLE handle = CreateFileW(FromUtf8(pszName).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    BY_HANDLE_FILE_INFORMATION info;
    FILETIME local;
    if (handle == INVALID_HANDLE_VALUE || !GetFileInformationByHandle(handle, &info)
        || !FileTimeToLocalFileTime(&info.ftLastWriteTime, &local) || !FileTimeToDosDateTime(&local, pdate, ptime)) {
        *err = static_cast<int>(GetLastError());
        if (handle != INVALID_HANDLE_VALUE)
            CloseHandle(handle);
        return -1;
    }
    const DWORD kept = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE;
    *pattribs = static_cast<USHORT>((info.dwFileAttributes & kept) | _A_NAME_IS_UTF);
    return AsFileValue(handle);
}

class FciContext {
public:
    FciContext(const FciContext&) = delete;
    FciContext& operator=(const FciContext&) = delete;
    FciContext(FciCreateFn create, FciDestroyFn destroy, CCAB& cab, ERF& erf) : destroy_(destroy)
    {
        context_ = create(&erf, CabFilePlaced, CabAlloc, CabFree, CabOpen, CabRead, CabWrite, CabClose, CabSeek,
                          CabDelete, CabTempFile, &cab, nullptr);
    }
    ~FciContext()
    {
        if (context_)
            destroy_(context_);
    }
    HFCI get() const { return context_; }

private:
    FciDestroyFn destroy_;
    HFCI context_;
};

std::wstring CabinetError(const wchar_t* step, const ERF& erf)
{
    return std::wstring(step) + L" failed (cabinet error " + std::to_wstring(erf.erfOper) + L", system error "
           + std::to_wstring(erf.erfType) + L")";
}

} // namespace

bool WriteCabinet(const std::wstring& cabinetPath, const std::vector<CabinetEntry>& entries, std::wstring& error)
{
    ScopedModule cabinet(LoadSystemLibrary(L"cabinet.dll"));
    FciCreateFn create = BindProc<FciCreateFn>(cabinet.get(), "FCICreate");
    FciAddFileFn addFile = BindProc<FciAddFileFn>(cabinet.get(), "FCIAddFile");
    FciFlushFolderFn flushFolder = BindProc<FciFlushFolderFn>(cabinet.get(), "FCIFlushFolder");
    FciFlushCabinetFn flushCabinet = BindProc<FciFlushCabinetFn>(cabinet.get(), "FCIFlushCabinet");
    FciDestroyFn destroy = BindProc<FciDestroyFn>(cabinet.get(), "FCIDestroy");
    if (!create || !addFile || !flushFolder || !flushCabinet || !destroy) {
        error = L"the system's cabinet.dll cannot be loaded";
        return false;
    }

    CCAB cab = {};
    // The largest cabinet that the format allows; a folder the same.
    cab.cb = 0x7FFF8000;
    cab.cbFolderThresh = 0x7FFF8000;
    std::string path = ToUtf8(cabinetPath);
    if (path.size() >= sizeof(cab.szCab)) {
        error = L"the output path is too long: " + cabinetPath;
        return false;
    }
    memcpy(cab.szCab, path.c_str(), path.size() + 1);

    ERF erf = {};
    FciContext context(create, destroy, cab, erf);
    if (!context.get()) {
        error = CabinetError(L"creating the cabinet", erf);
        return false;
    }
    for (size_t i = 0; i < entries.size(); ++i) {
        std::string source = ToUtf8(entries[i].sourcePath);
        std::string name = ToUtf8(entries[i].name);
        if (name.size() >= CB_MAX_FILENAME) {
            error = L"a name is too long for a cabinet: " + entries[i].name;
            return false;
        }
        TCOMP compression = entries[i].stored ? tcompTYPE_NONE : tcompTYPE_MSZIP;
        if (!addFile(context.get(), &source[0], &name[0], FALSE, CabNextCabinet, CabStatus, CabOpenInfo,
                     compression)) {
            error = CabinetError((L"adding " + entries[i].sourcePath).c_str(), erf);
            return false;
        }
        if (i == 0 && !flushFolder(context.get(), CabNextCabinet, CabStatus)) {
            error = CabinetError(L"closing the first folder", erf);
            return false;
        }
    }
    if (!flushCabinet(context.get(), FALSE, CabNextCabinet, CabStatus)) {
        error = CabinetError(L"writing the cabinet", erf);
        return false;
    }
    return true;
}
