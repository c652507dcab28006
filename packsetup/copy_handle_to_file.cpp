#include "packsetup/copy_handle_to_file.h"

#include <cstdint>
#include <vector>

#include "common/win/scoped_handle.h"
#include "packsetup/open_without_links.h"

namespace {

// Large enough that a big file costs few calls, small enough to stay cheap
// to allocate for each file.
const DWORD kCopyBlock = 1024 * 1024;

// Deletes through the handle the file it was opened as, unless kept.
class PartialTarget {
public:
    explicit PartialTarget(HANDLE file) : file_(file) {}
    ~PartialTarget()
    {
        if (file_)
            MarkForDeletion(file_);
    }
    PartialTarget(const PartialTarget&) = delete;
    PartialTarget& operator=(const PartialTarget&) = delete;

    void Keep() { file_ = nullptr; }

private:
    HANDLE file_;
};

} // namespace

bool CopyHandleToFile(HANDLE source, const std::wstring& target, DWORD disposition, LPPROGRESS_ROUTINE routine,
                      void* data)
{
    LARGE_INTEGER size;
    FILETIME lastWrite;
    if (!GetFileSizeEx(source, &size) || !GetFileTime(source, nullptr, nullptr, &lastWrite))
        return false;
    ScopedHandle written(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, disposition,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!written)
        return false;
    PartialTarget partial(written.get());

    // A small file's size (and one byte more, so that an empty file still
    // has a buffer), a block for a large one.
    uint64_t expected = static_cast<uint64_t>(size.QuadPart);
    std::vector<BYTE> buffer(expected < kCopyBlock ? static_cast<size_t>(expected) + 1 : kCopyBlock);
    LARGE_INTEGER done = {};
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(source, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr))
            return false;
        if (read == 0)
            break;
        DWORD wrote = 0;
        if (!WriteFile(written.get(), buffer.data(), read, &wrote, nullptr) || wrote != read)
            return false;
        done.QuadPart += read;
        if (routine) {
            DWORD answer = routine(size, done, size, done, 1, CALLBACK_CHUNK_FINISHED, source, written.get(), data);
            if (answer == PROGRESS_CANCEL || answer == PROGRESS_STOP)
                return false;
        }
    }
    if (!SetFileTime(written.get(), nullptr, nullptr, &lastWrite))
        return false;
    partial.Keep();
    return true;
}
