// Centring and activating windows, draining the message queue and finding
// shell folders.
#include <doctest/doctest.h>

#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "common/win/foreground_window.h"
#include "common/win/message_pump.h"
#include "common/win/shell_folders.h"
#include "common/win/window_placement.h"

namespace {

const RECT kScreen = {0, 0, 1280, 1024};

POINT Center(RECT reference, LONG width, LONG height, RECT workArea = kScreen)
{
    SIZE size = {width, height};
    return CenterInRectangle(reference, size, workArea);
}

std::vector<UINT> dispatched;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message >= WM_APP)
        dispatched.push_back(message);
    return DefWindowProcW(window, message, wParam, lParam);
}

// A top-level test window of its own class, destroyed with the holder.
class TestWindow {
public:
    TestWindow(int x, int y, int width, int height, bool visible)
    {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = RecordingProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"QZUnitTestWindow";
            registered = RegisterClassW(&windowClass) != 0;
        }
        window_ = CreateWindowExW(0, L"QZUnitTestWindow", L"unit test", WS_OVERLAPPEDWINDOW, x, y, width,
                                  height, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window_ && visible)
            ShowWindow(window_, SW_SHOWNOACTIVATE);
    }
    ~TestWindow()
    {
        if (window_)
            DestroyWindow(window_);
    }
    TestWindow(const TestWindow&) = delete;
    TestWindow& operator=(const TestWindow&) = delete;

    HWND get() const { return window_; }

    RECT Bounds() const
    {
        RECT bounds = {};
        GetWindowRect(window_, &bounds);
        return bounds;
    }

private:
    HWND window_ = nullptr;
};

// Drains what the tests leave in the queue, a WM_QUIT included.
void ClearQueue()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    }
}

} // namespace

TEST_CASE("a window is centred on its reference, within the work area")
{
    POINT p = Center(RECT{100, 100, 500, 400}, 200, 100);
    CHECK(p.x == 200);
    CHECK(p.y == 200);

    SUBCASE("odd differences are truncated toward zero, also when negative")
    {
        p = Center(RECT{0, 0, 301, 201}, 100, 100);
        CHECK(p.x == 100);
        CHECK(p.y == 50);
        // A window larger than its reference: (100 - 301) / 2 is -100, not -101.
        p = Center(RECT{500, 500, 600, 600}, 301, 301);
        CHECK(p.x == 400);
        CHECK(p.y == 400);
    }
    SUBCASE("a reference near the right and bottom edges keeps the window inside")
    {
        p = Center(RECT{1200, 950, 1280, 1024}, 400, 300);
        CHECK(p.x == 880);
        CHECK(p.y == 724);
    }
    SUBCASE("a reference beyond the left and top edges keeps the window inside")
    {
        p = Center(RECT{-500, -400, -100, -100}, 200, 200);
        CHECK(p.x == 0);
        CHECK(p.y == 0);
    }
    SUBCASE("a window larger than the work area goes to its left and top edges")
    {
        p = Center(kScreen, 2000, 1500);
        CHECK(p.x == 0);
        CHECK(p.y == 0);
        p = Center(kScreen, 2000, 1500, RECT{-100, -50, 1180, 974});
        CHECK(p.x == -100);
        CHECK(p.y == -50);
    }
}

TEST_CASE("windows are centred on a visible reference or else on the primary screen")
{
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // Only the reference has to be visible; Wine takes its time to show a window.
    TestWindow window(10, 20, 300, 200, false);
    REQUIRE(window.get());
    int x = -1;
    int y = -1;

    SUBCASE("no reference")
    {
        REQUIRE(ComputeCenteredPosition(nullptr, window.get(), x, y));
        CHECK(x == (screenWidth - 300) / 2);
        CHECK(y == (screenHeight - 200) / 2);
    }
    SUBCASE("a hidden reference counts as none")
    {
        TestWindow hidden(0, 0, 100, 100, false);
        REQUIRE(hidden.get());
        REQUIRE(ComputeCenteredPosition(hidden.get(), window.get(), x, y));
        CHECK(x == (screenWidth - 300) / 2);
        CHECK(y == (screenHeight - 200) / 2);
    }
    SUBCASE("a destroyed reference counts as none")
    {
        HWND gone = nullptr;
        {
            TestWindow reference(0, 0, 100, 100, false);
            gone = reference.get();
        }
        REQUIRE(ComputeCenteredPosition(gone, window.get(), x, y));
        CHECK(x == (screenWidth - 300) / 2);
    }
    SUBCASE("a visible reference")
    {
        TestWindow reference(100, 150, 600, 400, true);
        REQUIRE(reference.get());
        REQUIRE(ComputeCenteredPosition(reference.get(), window.get(), x, y));
        CHECK(x == 250);
        CHECK(y == 250);

        CenterWindow(window.get(), reference.get());
        RECT bounds = window.Bounds();
        CHECK(bounds.left == 250);
        CHECK(bounds.top == 250);
        CHECK(bounds.right - bounds.left == 300);
        CHECK(bounds.bottom - bounds.top == 200);
    }
}

TEST_CASE("minimised, maximised and missing windows are not moved")
{
    int x = -7;
    int y = -7;
    SUBCASE("minimised")
    {
        TestWindow window(10, 20, 300, 200, true);
        ShowWindow(window.get(), SW_SHOWMINNOACTIVE);
        REQUIRE(IsIconic(window.get()));
        CHECK_FALSE(ComputeCenteredPosition(nullptr, window.get(), x, y));
    }
    SUBCASE("maximised")
    {
        TestWindow window(10, 20, 300, 200, true);
        ShowWindow(window.get(), SW_MAXIMIZE);
        REQUIRE(IsZoomed(window.get()));
        RECT before = window.Bounds();
        CHECK_FALSE(ComputeCenteredPosition(nullptr, window.get(), x, y));
        CenterWindow(window.get(), nullptr);
        RECT after = window.Bounds();
        CHECK(after.left == before.left);
        CHECK(after.top == before.top);
    }
    SUBCASE("no window")
    {
        CHECK_FALSE(ComputeCenteredPosition(nullptr, nullptr, x, y));
        CenterWindow(nullptr, nullptr);
    }
    CHECK(x == -7);
    CHECK(y == -7);
}

TEST_CASE("a hidden window is centred too")
{
    TestWindow window(10, 20, 300, 200, false);
    REQUIRE(window.get());
    CenterWindow(window.get(), nullptr);
    RECT bounds = window.Bounds();
    CHECK(bounds.left == (GetSystemMetrics(SM_CXSCREEN) - 300) / 2);
    CHECK(bounds.top == (GetSystemMetrics(SM_CYSCREEN) - 200) / 2);
    CHECK_FALSE(IsWindowVisible(window.get()));
}

TEST_CASE("the pump dispatches what is waiting and leaves exactly one WM_QUIT")
{
    TestWindow window(0, 0, 100, 100, false);
    REQUIRE(window.get());
    ClearQueue();
    dispatched.clear();

    SUBCASE("no quit: everything is dispatched")
    {
        PostMessageW(window.get(), WM_APP + 1, 0, 0);
        PostMessageW(window.get(), WM_APP + 2, 0, 0);
        PumpPendingMessages(nullptr);
        CHECK(dispatched == std::vector<UINT>{WM_APP + 1, WM_APP + 2});
        MSG message;
        CHECK_FALSE(PeekMessageW(&message, nullptr, WM_APP, WM_APP + 10, PM_NOREMOVE));
    }
    SUBCASE("a quit comes back once, with its exit code")
    {
        PostMessageW(window.get(), WM_APP + 1, 0, 0);
        PostQuitMessage(5);
        PumpPendingMessages(nullptr);
        CHECK(dispatched == std::vector<UINT>{WM_APP + 1});

        MSG message;
        int quits = 0;
        WPARAM code = 0;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ++quits;
                code = message.wParam;
            }
        }
        CHECK(quits == 1);
        CHECK(code == 5);
    }
    SUBCASE("a dialog takes its own messages; others are dispatched")
    {
        TestWindow other(0, 0, 100, 100, false);
        HWND dialog = CreateWindowExW(WS_EX_CONTROLPARENT, L"#32770", L"dialog", WS_POPUP, 0, 0, 100, 100,
                                      nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        REQUIRE(dialog);
        HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 80, 20, dialog,
                                    reinterpret_cast<HMENU>(100), GetModuleHandleW(nullptr), nullptr);
        REQUIRE(edit);
        // A character for the dialog's edit control goes through
        // IsDialogMessageW, which hands it on to the control.
        PostMessageW(edit, WM_CHAR, L'x', 0);
        PostMessageW(other.get(), WM_APP + 3, 0, 0);
        PumpPendingMessages(dialog);
        wchar_t text[8] = L"";
        GetWindowTextW(edit, text, 8);
        CHECK(std::wstring(text) == L"x");
        CHECK(dispatched == std::vector<UINT>{WM_APP + 3});
        DestroyWindow(dialog);
    }
    ClearQueue();
}

TEST_CASE("a window of this process can be brought to the foreground")
{
    TestWindow window(50, 50, 200, 100, true);
    REQUIRE(window.get());
    // Other test programmes may take the foreground back at any moment, so
    // only the answer of SetForegroundWindow is checked.
    CHECK(ForceForegroundWindow(window.get()));
}

TEST_CASE("the shell folders that the installer asks for exist")
{
    for (int folderId : {CSIDL_APPDATA, CSIDL_LOCAL_APPDATA, CSIDL_PROGRAM_FILES}) {
        INFO("CSIDL " << folderId);
        std::wstring path;
        REQUIRE(GetShellFolderPath(folderId, nullptr, path));
        CHECK(path.size() > 3);
        CHECK(path.size() < MAX_PATH);
        CHECK(path[1] == L':');
        DWORD attributes = GetFileAttributesW(path.c_str());
        CHECK(attributes != INVALID_FILE_ATTRIBUTES);
        CHECK((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    }
    SUBCASE("an unknown folder gives false and leaves the path alone")
    {
        std::wstring path = L"unchanged";
        CHECK_FALSE(GetShellFolderPath(0x7F, nullptr, path));
        CHECK(path == L"unchanged");
    }
}
