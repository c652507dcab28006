// The uninstaller's dialogs as built into unsetup.exe: the templates in both
// languages, and how the confirmation dialog answers its commands.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "tests/unit/build_tree.h"
#include "tests/unit/unsetup_dialog_template.h"
#include "tests/unit/xml_test_support.h"
#include "unsetup/confirm_dialog.h"
#include "unsetup/res/resource.h"

namespace {

using dialog_template::Control;
using dialog_template::Dialog;

const WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);
const std::wstring kButton = L"#128";
const std::wstring kStatic = L"#130";

// unsetup.exe's resources, without running it.
class UnsetupModule {
public:
    UnsetupModule()
        : module_(LoadLibraryExW(build_tree::PathOf(L"unsetup\\unsetup.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~UnsetupModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    UnsetupModule(const UnsetupModule&) = delete;
    UnsetupModule& operator=(const UnsetupModule&) = delete;

    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

void CheckControl(const Control& control, DWORD id, const std::wstring& className, const std::wstring& text,
                  short x, short y, short cx, short cy)
{
    CHECK(control.id == id);
    CHECK(lstrcmpiW(control.className.c_str(), className.c_str()) == 0);
    CHECK(control.text == text);
    CHECK(control.x == x);
    CHECK(control.y == y);
    CHECK(control.cx == cx);
    CHECK(control.cy == cy);
    CHECK((control.style & (WS_CHILD | WS_VISIBLE)) == (WS_CHILD | WS_VISIBLE));
}

struct ConfirmTexts {
    WORD language;
    const wchar_t* title;
    const wchar_t* no;
    const wchar_t* yes;
    const wchar_t* question;
    const wchar_t* option;
    const wchar_t* note;
    WORD pointSize;
    const wchar_t* font;
    short widening; // the Japanese texts need a wider dialog
};

const ConfirmTexts kConfirmTexts[] = {
    {kEnglish, L"Tavrel! Uninstall", L"&No", L"&Yes", L"Is it ok to uninstall Tavrel?",
     L"Also deleting user created data(*).",
     L"*\"User created data\" means the \"User Character\" made under the character editor or \"User Picture\". "
     L"They don't include comic files that you created.",
     8, L"MS Shell Dlg", 0},
    {kJapanese, L"Tavrel! アンインストール", L"いいえ(&N)", L"はい(&Y)", L"Tavrel! をアンインストールしてもよろしいですか？",
     L"作成したユーザーデータ(※)も削除する(&U)",
     L"※ユーザーデータとは、キャラクターエディタで作成した「ユーザーキャラ」や追加した「ユーザー画像」などのことで、作成"
     L"したコミックファイルは含まれません。",
     9, L"MS UI Gothic", 60},
};

// Drives the modal confirmation dialog from a thread timer, which its own
// message loop dispatches.
struct ConfirmScript {
    enum Action { CheckAndYes, Yes, Escape, CloseBox } action;
    HWND dialog = nullptr;
    HWND noButton = nullptr;
    std::wstring title;
    bool stillOpenAfterOk = false;
    HWND focus = nullptr;
    std::vector<int> tabOrder;
    LRESULT defaultId = 0;
};

ConfirmScript* currentScript = nullptr;

BOOL CALLBACK FindDialog(HWND window, LPARAM)
{
    wchar_t className[16] = L"";
    GetClassNameW(window, className, 16);
    if (std::wstring(className) != L"#32770" || !IsWindowVisible(window))
        return TRUE;
    currentScript->dialog = window;
    return FALSE;
}

void CALLBACK RunScript(HWND, UINT, UINT_PTR timer, DWORD)
{
    ConfirmScript& script = *currentScript;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, 0);
    if (!script.dialog)
        return;
    KillTimer(nullptr, timer);
    HWND dialog = script.dialog;

    wchar_t title[256] = L"";
    GetWindowTextW(dialog, title, 256);
    script.title = title;
    script.focus = GetFocus();
    script.noButton = GetDlgItem(dialog, IDCANCEL);
    script.defaultId = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    HWND item = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (int i = 0; i < 4 && item; ++i) {
        script.tabOrder.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(dialog, item, FALSE);
    }
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    script.stillOpenAfterOk = IsWindow(dialog) && IsWindowVisible(dialog);

    switch (script.action) {
    case ConfirmScript::CheckAndYes:
        SendDlgItemMessageW(dialog, IDC_DELETE_USER_DATA, BM_SETCHECK, BST_CHECKED, 0);
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        break;
    case ConfirmScript::Yes:
        PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDYES, BN_CLICKED), 0);
        break;
    case ConfirmScript::Escape:
        PostMessageW(GetDlgItem(dialog, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
        break;
    case ConfirmScript::CloseBox:
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        break;
    }
}

INT_PTR RunConfirmDialog(HMODULE module, UninstallerSettings& settings, ConfirmScript& script)
{
    currentScript = &script;
    settings.instance = module;
    UINT_PTR timer = SetTimer(nullptr, 0, 50, RunScript);
    INT_PTR result = ShowConfirmDialog(settings);
    KillTimer(nullptr, timer);
    currentScript = nullptr;
    return result;
}

} // namespace

TEST_CASE("confirmation dialog 136 has the same controls in both languages")
{
    UnsetupModule module;
    REQUIRE(module.get());
    for (const ConfirmTexts& expected : kConfirmTexts) {
        CAPTURE(expected.language);
        Dialog dialog = dialog_template::Load(module.get(), IDD_CONFIRM, expected.language);
        REQUIRE(dialog.found);
        const short wider = expected.widening;
        CHECK(dialog.cx == 211 + wider);
        CHECK(dialog.cy == 101);
        CHECK(dialog.title == expected.title);
        CHECK(dialog.pointSize == expected.pointSize);
        CHECK(dialog.font == expected.font);
        const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
        CHECK((dialog.style & frame) == frame);
        REQUIRE(dialog.controls.size() == 6);

        const Control& no = dialog.controls[0];
        CheckControl(no, IDCANCEL, kButton, expected.no, 153 + wider, 80, 50, 14);
        CHECK((no.style & 0x0F) == BS_DEFPUSHBUTTON);
        CHECK((no.style & (WS_TABSTOP | WS_GROUP)) == (WS_TABSTOP | WS_GROUP));

        const Control& yes = dialog.controls[1];
        CheckControl(yes, IDYES, kButton, expected.yes, 99 + wider, 80, 50, 14);
        CHECK((yes.style & 0x0F) == BS_PUSHBUTTON);
        CHECK((yes.style & (WS_TABSTOP | WS_GROUP)) == WS_TABSTOP);

        const Control& icon = dialog.controls[2];
        CHECK(icon.className == kStatic);
        CHECK(icon.text == L"#101");
        CHECK(icon.x == 7);
        CHECK(icon.y == 20);
        CHECK((icon.style & SS_TYPEMASK) == SS_ICON);
        CHECK((icon.style & SS_REALSIZEIMAGE) != 0);

        const Control& question = dialog.controls[3];
        CheckControl(question, 0xFFFFFFFF, kStatic, expected.question, 40, 7, 154 + wider, 8);
        CHECK((question.style & WS_TABSTOP) == 0);

        const Control& option = dialog.controls[4];
        CheckControl(option, IDC_DELETE_USER_DATA, kButton, expected.option, 40, 23, 142 + wider, 10);
        CHECK((option.style & 0x0F) == BS_AUTOCHECKBOX);
        CHECK((option.style & (WS_TABSTOP | WS_GROUP)) == (WS_TABSTOP | WS_GROUP));

        const Control& note = dialog.controls[5];
        CheckControl(note, 0xFFFFFFFF, kStatic, expected.note, 54, 37, 150 + wider, 39);
    }
}

TEST_CASE("progress dialog 107 has a label and a marquee bar and no close box, in both languages")
{
    UnsetupModule module;
    REQUIRE(module.get());
    struct Expected {
        WORD language;
        const wchar_t* title;
        const wchar_t* label;
        WORD pointSize;
        const wchar_t* font;
    };
    const Expected languages[] = {
        {kEnglish, L"Tavrel! Uninstall", L"Uninstalling Tavrel!...", 8, L"MS Shell Dlg"},
        {kJapanese, L"Tavrel! アンインストール", L"Tavrel! をアンインストールしています...", 9, L"MS UI Gothic"},
    };
    for (const Expected& expected : languages) {
        CAPTURE(expected.language);
        Dialog dialog = dialog_template::Load(module.get(), IDD_PROGRESS, expected.language);
        REQUIRE(dialog.found);
        CHECK(dialog.cx == 183);
        CHECK(dialog.cy == 39);
        CHECK(dialog.title == expected.title);
        CHECK(dialog.pointSize == expected.pointSize);
        CHECK(dialog.font == expected.font);
        CHECK((dialog.style & (DS_MODALFRAME | WS_POPUP | WS_CAPTION)) == (DS_MODALFRAME | WS_POPUP | WS_CAPTION));
        CHECK((dialog.style & WS_SYSMENU) == 0);
        REQUIRE(dialog.controls.size() == 2);
        CheckControl(dialog.controls[0], 0xFFFFFFFF, kStatic, expected.label, 7, 7, 168, 8);
        CHECK((dialog.controls[0].style & SS_TYPEMASK) == SS_CENTER);
        CheckControl(dialog.controls[1], IDC_PROGRESS_BAR, L"msctls_progress32", L"", 7, 19, 169, 14);
        CHECK((dialog.controls[1].style & (WS_BORDER | PBS_MARQUEE)) == (WS_BORDER | PBS_MARQUEE));
    }
}

TEST_CASE("the confirmation dialog: caption, focus and tab order; Enter's IDOK is ignored")
{
    UnsetupModule module;
    REQUIRE(module.get());
    UninstallerSettings settings;
    settings.caption = L"Tavrel! 確認テスト";
    ConfirmScript script;

    SUBCASE("Yes with the check box checked asks to remove the user's data")
    {
        script.action = ConfirmScript::CheckAndYes;
        CHECK(RunConfirmDialog(module.get(), settings, script) == IDYES);
        CHECK(settings.deleteUserData);
    }
    SUBCASE("Yes with it unchecked keeps the user's data")
    {
        settings.deleteUserData = true;
        script.action = ConfirmScript::Yes;
        CHECK(RunConfirmDialog(module.get(), settings, script) == IDYES);
        CHECK_FALSE(settings.deleteUserData);
    }
    SUBCASE("Escape ends with IDCANCEL")
    {
        script.action = ConfirmScript::Escape;
        CHECK(RunConfirmDialog(module.get(), settings, script) == IDCANCEL);
        CHECK_FALSE(settings.deleteUserData);
    }
    SUBCASE("the close box ends with IDCANCEL")
    {
        script.action = ConfirmScript::CloseBox;
        CHECK(RunConfirmDialog(module.get(), settings, script) == IDCANCEL);
    }
    CHECK(script.title == settings.caption);
    CHECK(script.stillOpenAfterOk);
    REQUIRE(script.noButton);
    CHECK(script.focus == script.noButton);
    CHECK(script.defaultId == MAKELONG(IDCANCEL, DC_HASDEFID));
    CHECK(script.tabOrder == std::vector<int>{IDCANCEL, IDYES, IDC_DELETE_USER_DATA, IDCANCEL});
}
