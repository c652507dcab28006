// The progress dialog at work: its title and Cancel button, and the copy
// driving it from a worker thread while this thread pumps its messages.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>
#include <process.h>

#include <string>

#include "build_tree.h"
#include "common/win/message_pump.h"
#include "message_box_recorder.h"
#include "package_test_support.h"
#include "packsetup/copy_file.h"
#include "packsetup/copy_package.h"
#include "packsetup/folder_scanner.h"
#include "packsetup/progress_dialog.h"
#include "packsetup/res/resource.h"
#include "packsetup/taskbar_progress.h"

using package_test::CleanInstallerState;
using package_test::MakeFolder;
using package_test::ScriptedBoxes;
using package_test::WriteSizedFile;

namespace {

struct DialogFixture {
    CleanInstallerState state;
    PackSetupTexts texts{build_tree::PackSetupPath()};
    HWND dialog = nullptr;

    DialogFixture()
    {
        INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&controls);
        Installer().definition.caption = L"Sample Pack \u8ffd\u52a0";
        if (texts.Loaded())
            dialog = CreateProgressDialog(GetResourceModule(), nullptr);
    }
    ~DialogFixture()
    {
        if (dialog)
            DestroyWindow(dialog);
    }

    HWND Cancel() const { return GetDlgItem(dialog, IDCANCEL); }
    int BarPosition() const { return static_cast<int>(SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_GETPOS, 0, 0)); }
    std::wstring ItemText(int id) const
    {
        wchar_t text[MAX_PATH] = L"";
        GetDlgItemTextW(dialog, id, text, MAX_PATH);
        return text;
    }
};

struct CopyJob {
    const FolderScanner* scanner;
    std::wstring installFolder;
    HWND dialog;
    bool result;
};

unsigned __stdcall CopyWorker(void* argument)
{
    CopyJob* job = static_cast<CopyJob*>(argument);
    job->result = CopyPackageEntries(*job->scanner, job->installFolder, job->dialog, job->dialog, nullptr);
    return 0;
}

// Runs the copy on a worker thread, as the installer does, and pumps this
// thread's messages until it ends. False when it does not end in time.
bool CopyOnWorker(CopyJob& job)
{
    HANDLE thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, CopyWorker, &job, 0, nullptr));
    if (!thread)
        return false;
    bool ended = false;
    for (;;) {
        DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, 20000, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0) {
            ended = true;
            break;
        }
        if (woken != WAIT_OBJECT_0 + 1)
            break;
        PumpPendingMessages(job.dialog);
    }
    if (!ended)
        WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return ended;
}

// Counts the position requests that reach the progress bar.
int barUpdates = 0;
WNDPROC barProcedure = nullptr;

LRESULT CALLBACK CountingBarProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == PBM_SETPOS)
        ++barUpdates;
    return CallWindowProcW(barProcedure, window, message, wParam, lParam);
}

} // namespace

TEST_CASE_FIXTURE(DialogFixture, "the dialog shows the package caption and starts with Cancel hidden and disabled")
{
    REQUIRE(dialog != nullptr);
    wchar_t title[200] = L"";
    GetWindowTextW(dialog, title, 200);
    CHECK(std::wstring(title) == L"Sample Pack \u8ffd\u52a0");
    REQUIRE(Cancel() != nullptr);
    CHECK_FALSE(IsWindowVisible(Cancel()));
    CHECK_FALSE(IsWindowEnabled(Cancel()));
    CHECK(ItemText(IDC_PROGRESS_PHASE).empty());
    CHECK(ItemText(IDC_PROGRESS_FILE).empty());
}

TEST_CASE_FIXTURE(DialogFixture, "the Cancel command requests a cancel and disables the button; the dialog stays")
{
    REQUIRE(dialog != nullptr);
    EnableWindow(Cancel(), TRUE);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(Cancel()));
    CHECK(Installer().cancelRequested.IsSet());
    CHECK_FALSE(IsWindowEnabled(Cancel()));
    CHECK(IsWindow(dialog));
}

TEST_CASE_FIXTURE(DialogFixture, "a copy on a worker drives the dialog; a declined cancel enables Cancel again")
{
    REQUIRE(dialog != nullptr);
    ShowWindow(dialog, SW_SHOWNOACTIVATE);
    xml_test::ScratchFolder root(L"dialog-copy");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"image")));
    REQUIRE(WriteSizedFile(root.File(L"image\\a&b.txt"), 300));
    REQUIRE(WriteSizedFile(root.File(L"image\\c.txt"), 100));
    // Many small files: the display follows at a steady rate, not per file.
    const int kManyFiles = 200;
    REQUIRE(MakeFolder(root.File(L"image\\many")));
    for (int file = 0; file < kManyFiles; ++file)
        REQUIRE(WriteSizedFile(root.File(L"image\\many\\f" + std::to_wstring(file) + L".txt"), 64));
    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.File(L"image").c_str(), L""));
    std::wstring lastName;
    for (const FolderScanEntry& entry : scanner.Entries())
        if (!(entry.findData.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            lastName = entry.findData.cFileName;
    barUpdates = 0;
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    barProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(CountingBarProc)));

    ScriptedBoxes boxes;
    boxes.Answer(IDNO);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    REQUIRE(Installer().cancelRequested.IsSet());

    CopyJob job = {&scanner, root.File(L"install"), dialog, false};
    REQUIRE(CopyOnWorker(job));
    SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(barProcedure));
    CHECK(job.result);
    CHECK(barUpdates < kManyFiles / 2);
    REQUIRE(boxes.Shown().size() == 1);
    CHECK(boxes.Shown()[0].owner == dialog);
    CHECK(boxes.Shown()[0].title == L"Sample Pack \u8ffd\u52a0");
    CHECK(IsWindowEnabled(Cancel()));
    CHECK_FALSE(Installer().cancelRequested.IsSet());
    CHECK(ItemText(IDC_PROGRESS_PHASE) == LoadText(IDS_COPYING_FILES));
    std::wstring shown = ItemText(IDC_PROGRESS_FILE);
    CHECK(shown.size() > lastName.size());
    CHECK(shown.compare(shown.size() - lastName.size(), lastName.size(), lastName) == 0);
    CHECK(BarPosition() == 1000);
    CHECK(Installer().installedFiles.size() == kManyFiles + 2);
    CHECK(xml_test::FileExists(root.File(L"install\\a&b.txt")));
    CHECK(xml_test::FileExists(root.File(L"install\\c.txt")));
}

TEST_CASE_FIXTURE(DialogFixture, "a package without bytes ends with the bar full")
{
    REQUIRE(dialog != nullptr);
    xml_test::ScratchFolder root(L"dialog-empty");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"image")));
    SUBCASE("empty files") {
        REQUIRE(WriteSizedFile(root.File(L"image\\zero1.txt"), 0));
        REQUIRE(WriteSizedFile(root.File(L"image\\zero2.txt"), 0));
    }
    SUBCASE("no files at all") {
        REQUIRE(MakeFolder(root.File(L"image\\only-a-folder")));
    }
    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.File(L"image").c_str(), L""));
    REQUIRE(scanner.TotalSize() == 0);
    CHECK(CopyPackageEntries(scanner, root.File(L"install"), dialog, dialog, nullptr));
    CHECK(BarPosition() == 1000);
}

TEST_CASE_FIXTURE(DialogFixture, "the progress routine places the bar by the bytes of the whole package")
{
    REQUIRE(dialog != nullptr);
    SendDlgItemMessageW(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, 1000);
    CopyProgressContext context = {dialog, dialog, nullptr, 40000000, 10000000};
    LARGE_INTEGER size, transferred, zero;
    size.QuadPart = 20000000;
    zero.QuadPart = 0;

    transferred.QuadPart = 10000000;
    CHECK(CopyProgress(size, transferred, size, transferred, 1, CALLBACK_CHUNK_FINISHED, nullptr, nullptr, &context)
          == PROGRESS_CONTINUE);
    CHECK(BarPosition() == 500);
    transferred.QuadPart = 3;
    CopyProgress(size, transferred, size, transferred, 1, CALLBACK_CHUNK_FINISHED, nullptr, nullptr, &context);
    CHECK(BarPosition() == 250);
    // Bytes beyond the listed total (a file that grew) keep the bar at full.
    transferred.QuadPart = 50000000;
    CopyProgress(size, transferred, size, zero, 1, CALLBACK_CHUNK_FINISHED, nullptr, nullptr, &context);
    CHECK(BarPosition() == 1000);
}

TEST_CASE_FIXTURE(DialogFixture, "the taskbar list exists where its class is registered and follows the copy")
{
    REQUIRE(dialog != nullptr);
    xml_test::ComApartment apartment;
    REQUIRE(apartment.initialised());
    HKEY key = nullptr;
    bool registered = RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}", 0,
                                    KEY_READ, &key) == ERROR_SUCCESS;
    if (key)
        RegCloseKey(key);
    ScopedTaskbarList taskbar = CreateTaskbarList();
    CHECK((taskbar.get() != nullptr) == registered);

    xml_test::ScratchFolder root(L"dialog-taskbar");
    REQUIRE(root.created());
    REQUIRE(MakeFolder(root.File(L"image")));
    REQUIRE(WriteSizedFile(root.File(L"image\\t.txt"), 10));
    FolderScanner scanner;
    REQUIRE(scanner.Scan(root.File(L"image").c_str(), L""));
    CHECK(CopyPackageEntries(scanner, root.File(L"install"), dialog, dialog, taskbar.get()));
    CHECK(xml_test::FileExists(root.File(L"install\\t.txt")));
}
