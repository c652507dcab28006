#include "packsetup/copy_file.h"

#include <commctrl.h>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/copy_handle_to_file.h"
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

} // namespace

CopyFileFunction SetCopyFunctionForTesting(CopyFileFunction copy)
{
    CopyFileFunction previous = copyFunction;
    copyFunction = copy ? copy : CopyOpenFile;
    return previous;
}

bool CopyOpenFile(HANDLE source, const std::wstring& target, LPPROGRESS_ROUTINE routine, void* data)
{
    return CopyHandleToFile(source, target, CREATE_ALWAYS, routine, data);
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
