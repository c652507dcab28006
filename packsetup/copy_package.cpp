#include "packsetup/copy_package.h"

#include <commctrl.h>
#include <shlwapi.h>

#include <unordered_set>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/copy_file.h"
#include "packsetup/create_folder_path.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/installer_state.h"
#include "packsetup/open_without_links.h"
#include "packsetup/package_paths.h"
#include "packsetup/res/resource.h"
#include "packsetup/taskbar_progress.h"

namespace {

// The file name, the bar and the taskbar are refreshed at this rate rather
// than for every file: each refresh is a round trip to the dialog's thread
// and a repaint, which costs more than the copy of a small file.
const DWORD kDisplayInterval = 50;

// True when the user confirms a cancel request; a declined one is cleared
// and the Cancel button works again.
bool ConfirmCancel(HWND progressDialog, HWND taskbarWindow, ITaskbarList3* taskbarList)
{
    SetTaskbarState(taskbarList, taskbarWindow, TBPF_PAUSED);
    int answer = ShowMessageBox(progressDialog, LoadText(IDS_CANCEL_UPDATE_QUESTION), Installer().definition.caption,
                                MB_YESNO | MB_ICONWARNING | MB_DEFBUTTON2);
    SetTaskbarState(taskbarList, taskbarWindow, TBPF_NORMAL);
    if (answer == IDYES)
        return true;
    EnableWindow(GetDlgItem(progressDialog, IDCANCEL), TRUE);
    Installer().cancelRequested.Clear();
    return false;
}

void ShowPosition(HWND progressDialog, HWND taskbarWindow, ITaskbarList3* taskbarList, int position)
{
    SetTaskbarValue(taskbarList, taskbarWindow, position, 1000);
    SendDlgItemMessageW(progressDialog, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
}

std::wstring ParentFolder(const std::wstring& path)
{
    size_t separator = path.find_last_of(L'\\');
    return separator == std::wstring::npos ? std::wstring() : path.substr(0, separator);
}

// Index of the last file entry; the list size when there is none.
size_t LastFileIndex(const std::vector<FolderScanEntry>& entries)
{
    for (size_t index = entries.size(); index-- > 0;)
        if (!(entries[index].findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            return index;
    return entries.size();
}

} // namespace

bool CopyPackageEntries(const FolderScanner& scanner, const std::wstring& installFolder, HWND progressDialog,
                        HWND taskbarWindow, ITaskbarList3* taskbarList)
{
    InstallerState& state = Installer();
    std::wstring folder(installFolder);
    if (!folder.empty() && folder.back() == L'\\')
        folder.pop_back();

    SetDlgItemTextW(progressDialog, IDC_PROGRESS_PHASE, LoadText(IDS_COPYING_FILES).c_str());
    SendDlgItemMessageW(progressDialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
    SetTaskbarState(taskbarList, taskbarWindow, TBPF_NORMAL);
    uint64_t bytesDone = 0;
    // Folders made and recorded for an earlier file of this copy: walking
    // them again for every file costs more than the copy of a small file.
    std::unordered_set<std::wstring> foldersMade;
    // The package's folders, held open as each source is opened below them.
    LinkFreeFolders sources;
    const std::vector<FolderScanEntry>& entries = scanner.Entries();
    const size_t lastFile = LastFileIndex(entries);
    bool shownBefore = false;
    DWORD lastShown = 0;

    for (size_t index = 0; index < entries.size(); ++index) {
        const FolderScanEntry& entry = entries[index];
        if (state.cancelRequested.IsSet() && ConfirmCancel(progressDialog, taskbarWindow, taskbarList))
            return false;

        std::wstring target = folder + entry.relativePath;
        uint64_t bytesBefore = bytesDone;
        if (!FitsMaxPath(target)) {
            // Never acted on in a shortened form: the copy question comes
            // at once and only Cancel leads on.
            if (!CopyFileWithRetry(progressDialog, sources, entry.fullPath, target, taskbarList, taskbarWindow,
                                   nullptr, nullptr))
                return false;
            continue;
        }
        if (entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Recorded only: an empty folder of the package is not created.
            RecordInstalledFolder(target);
            continue;
        }

        state.installedFiles.push_back(target);
        bytesDone += entry.findData.nFileSizeLow;
        // A large file, which moves the bar while it is copied, and the last
        // one are always shown; the others when the display is due.
        bool large = entry.findData.nFileSizeLow > kLargeFileThreshold;
        bool refresh = large || index == lastFile || !shownBefore || GetTickCount() - lastShown >= kDisplayInterval;
        if (refresh)
            PathSetDlgItemPathW(progressDialog, IDC_PROGRESS_FILE, target.c_str());
        std::wstring targetFolder = ParentFolder(target);
        if (foldersMade.count(targetFolder) == 0) {
            if (!CreateFolderPath(targetFolder))
                return false;
            foldersMade.insert(targetFolder);
        }

        bool copied;
        if (large) {
            CopyProgressContext context = {taskbarWindow, progressDialog, taskbarList, scanner.TotalSize(),
                                           bytesBefore};
            copied = CopyFileWithRetry(progressDialog, sources, entry.fullPath, target, taskbarList,
                                       taskbarWindow, CopyProgress, &context);
        } else {
            copied = CopyFileWithRetry(progressDialog, sources, entry.fullPath, target, taskbarList,
                                       taskbarWindow, nullptr, nullptr);
        }
        if (!copied)
            return false;
        if (refresh) {
            ShowPosition(progressDialog, taskbarWindow, taskbarList,
                         ProgressPosition(bytesDone, scanner.TotalSize()));
            shownBefore = true;
            lastShown = GetTickCount();
        }
    }
    // A package without bytes to copy still ends with the bar full.
    ShowPosition(progressDialog, taskbarWindow, taskbarList, ProgressPosition(bytesDone, scanner.TotalSize()));
    return true;
}
