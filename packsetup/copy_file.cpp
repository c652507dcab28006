#include "packsetup/copy_file.h"

#include <commctrl.h>

#include <vector>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "common/win/scoped_handle.h"
#include "packsetup/installer_state.h"
#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/package_sources.h"
#include "packsetup/res/resource.h"
#include "packsetup/retry_wait.h"
#include "packsetup/taskbar_progress.h"

namespace {

const int kCopyAttempts = 10;
const DWORD kCopyPause = 200;
// Large enough that a big file costs few calls, small enough to stay cheap
// to allocate for each file.
const DWORD kCopyBlock = 1024 * 1024;

CopyFileFunction copyFunction = CopyOpenFile;

enum class CopyAttempt { Copied, Failed, Refused };

CopyAttempt TryCopy(LinkFreeFolders& sources, const std::wstring& source, const std::wstring& target,
                    LPPROGRESS_ROUTINE routine, CopyProgressContext* context)
{
    OpenedEntry file;
    EntryOpening opening = sources.Open(source, FILE_READ_DATA, file);
    if (opening == EntryOpening::Refused)
        return CopyAttempt::Refused;
    // Missing or held by another program: that may pass.
    if (opening != EntryOpening::Opened)
        return CopyAttempt::Failed;
    if (!IsPlainPackageFile(file))
        return CopyAttempt::Refused;
    // The target may not exist yet; a read-only one must not block the copy.
    SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_NORMAL);
    return copyFunction(file.handle.get(), target, routine, context) ? CopyAttempt::Copied : CopyAttempt::Failed;
}

bool AskToRetry(HWND owner, const std::wstring& target)
{
    std::wstring text = target + L"\n\n" + LoadText(IDS_COPY_FAILED);
    return ShowMessageBox(owner, text, Installer().definition.caption, MB_RETRYCANCEL | MB_ICONWARNING)
        == IDRETRY;
}

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

CopyFileFunction SetCopyFunctionForTesting(CopyFileFunction copy)
{
    CopyFileFunction previous = copyFunction;
    copyFunction = copy ? copy : CopyOpenFile;
    return previous;
}

bool CopyOpenFile(HANDLE source, const std::wstring& target, LPPROGRESS_ROUTINE routine, void* data)
{
    LARGE_INTEGER size;
    FILETIME lastWrite;
    if (!GetFileSizeEx(source, &size) || !GetFileTime(source, nullptr, nullptr, &lastWrite))
        return false;
    ScopedHandle written(CreateFileW(target.c_str(), GENERIC_WRITE | DELETE, 0, nullptr, CREATE_ALWAYS,
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

int ProgressPosition(uint64_t done, uint64_t total)
{
    if (total == 0 || done >= total)
        return 1000;
    return static_cast<int>(done * 1000 / total);
}

DWORD CALLBACK CopyProgress(LARGE_INTEGER, LARGE_INTEGER totalBytesTransferred, LARGE_INTEGER,
                            LARGE_INTEGER, DWORD, DWORD, HANDLE, HANDLE, LPVOID data)
{
    const CopyProgressContext* context = static_cast<const CopyProgressContext*>(data);
    if (!context)
        return PROGRESS_CONTINUE;
    uint64_t done = context->bytesBefore + static_cast<uint64_t>(totalBytesTransferred.QuadPart);
    int position = ProgressPosition(done, context->totalBytes);
    SetTaskbarValue(context->taskbarList, context->taskbarWindow, position, 1000);
    SendDlgItemMessageW(context->progressDialog, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
    return PROGRESS_CONTINUE;
}

bool CopyFileWithRetry(HWND owner, LinkFreeFolders& sources, const std::wstring& source,
                       const std::wstring& target, ITaskbarList3* taskbarList, HWND taskbarWindow,
                       LPPROGRESS_ROUTINE routine, CopyProgressContext* context)
{
    // Nothing is tried on a path that does not fit: cut short, it would name
    // another file.
    bool copyable = FitsMaxPath(source) && FitsMaxPath(target);
    int firstAttempt = 1;
    for (;;) {
        for (int attempt = firstAttempt; copyable && attempt <= kCopyAttempts; ++attempt) {
            CopyAttempt result = TryCopy(sources, source, target, routine, context);
            if (result != CopyAttempt::Failed)
                return result == CopyAttempt::Copied;
            if (attempt < kCopyAttempts)
                RetryWait(kCopyPause);
        }
        SetTaskbarState(taskbarList, taskbarWindow, TBPF_ERROR);
        if (!AskToRetry(owner, target))
            return false;
        SetTaskbarState(taskbarList, taskbarWindow, TBPF_NORMAL);
        // A series after the question starts without a pause and makes one
        // attempt fewer.
        firstAttempt = 2;
    }
}
