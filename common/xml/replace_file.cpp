#include "common/xml/replace_file.h"

#include <windows.h>
#include <objidl.h>
#include <shlwapi.h>

#include <algorithm>

#include "common/win/temporary_file.h"
#include "common/xml/com_scoped.h"

namespace qz_xml {
namespace internal {

namespace {

StreamWriteHook g_streamWriteHook = nullptr;

// Created or emptied, readable by others, not writable by them while open.
const DWORD kStreamMode = STGM_CREATE | STGM_SHARE_DENY_WRITE | STGM_READWRITE;
const size_t kWriteChunkBytes = 16 * 1024;
const wchar_t kTempPrefix[] = L"qzx";
// GetTempFileNameW takes a folder of at most MAX_PATH - 14 characters, so
// that its name (prefix, four hex digits, ".tmp") always fits after it.
const size_t kLongestTempFolder = MAX_PATH - 14;

// The full path of the target and the length of its folder part, which keeps
// its trailing backslash. An embedded NUL or a path that does not fit fails.
bool GetFullTargetPath(const std::wstring& path, wchar_t (&fullPath)[MAX_PATH], size_t& folderLength)
{
    if (path.empty() || path.find(L'\0') != std::wstring::npos)
        return false;
    wchar_t* fileName = nullptr;
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, fullPath, &fileName);
    if (length == 0 || length >= MAX_PATH || !fileName || !*fileName)
        return false;
    folderLength = static_cast<size_t>(fileName - fullPath);
    return true;
}

// A new, uniquely named empty file in the target's folder.
bool CreateTemporaryBeside(const wchar_t* fullPath, size_t folderLength, wchar_t (&tempPath)[MAX_PATH])
{
    if (folderLength > kLongestTempFolder)
        return false;
    wchar_t folder[MAX_PATH];
    std::copy(fullPath, fullPath + folderLength, folder);
    folder[folderLength] = L'\0';
    return GetTempFileNameW(folder, kTempPrefix, 0, tempPath) != 0;
}

bool WriteAll(IStream* stream, const std::string& bytes)
{
    int writeNumber = 0;
    for (size_t offset = 0; offset < bytes.size(); offset += kWriteChunkBytes) {
        ++writeNumber;
        if (g_streamWriteHook && !g_streamWriteHook(writeNumber))
            return false;
        ULONG chunk = static_cast<ULONG>(std::min(kWriteChunkBytes, bytes.size() - offset));
        ULONG written = 0;
        if (stream->Write(bytes.data() + offset, chunk, &written) != S_OK || written != chunk)
            return false;
    }
    return true;
}

// Writes the whole file and closes it before returning.
bool WriteStreamFile(const wchar_t* path, const std::string& bytes)
{
    ScopedInterface<IStream> stream;
    if (FAILED(SHCreateStreamOnFileW(path, kStreamMode, stream.Receive())) || !stream)
        return false;
    return WriteAll(stream.get(), bytes) && SUCCEEDED(stream->Commit(STGC_DEFAULT));
}

// A target that could not be opened for writing in place must not be replaced
// either: a read-only file or a folder stays as it is.
bool IsReplaceable(const wchar_t* fullPath)
{
    DWORD attributes = GetFileAttributesW(fullPath);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    return (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) == 0;
}

} // namespace

void SetStreamWriteHookForTesting(StreamWriteHook hook)
{
    g_streamWriteHook = hook;
}

bool ReplaceFileContents(const std::wstring& path, const std::string& bytes)
{
    wchar_t fullPath[MAX_PATH];
    size_t folderLength = 0;
    if (!GetFullTargetPath(path, fullPath, folderLength) || !IsReplaceable(fullPath))
        return false;
    wchar_t tempPath[MAX_PATH];
    if (!CreateTemporaryBeside(fullPath, folderLength, tempPath))
        return false;
    TemporaryFile temporary(tempPath);
    if (!WriteStreamFile(tempPath, bytes))
        return false;
    if (!MoveFileExW(tempPath, fullPath, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return false;
    temporary.Keep();
    return true;
}

} // namespace internal
} // namespace qz_xml
