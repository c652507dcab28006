// The string tables of both programs, read straight from the built modules
// under each language: every id holds exactly the expected English and
// Japanese text, and no other id exists.
#include <doctest/doctest.h>

#include <windows.h>

#include <map>
#include <set>
#include <string>

#include "common/win/text.h"
#include "tests/unit/build_tree.h"

namespace {

struct ExpectedText {
    UINT id;
    const wchar_t* english;
    const wchar_t* japanese;
};

const ExpectedText kPackSetupTexts[] = {
    {103,
     L"Not compatible with your version of Windows. (error code 21)",
     L"お使いのWindowsのバージョンには対応していません（エラーコード 21）。"},
    {105,
     L"This program requires newer version of Tavrel!\nPlease update Tavrel! and try again.",
     L"この追加データをセットアップする前に、Tavrel! を最新版にアップデートする必要があります。\nアップデートをしないと、この追加データを使用できません。\n\nTavrel! を起動し、「ヘルプ」メニューから「Tavrel! アップデート」を実行して、「更新する」ボタンを押してください。\nTavrel! が最新版にアップデートされた後に、もう一度このセットアップを実行してください。"},
    {106,
     L"Could not find the original installation file. The install package may have been damaged.",
     L"インストール元ファイルが見つかりませんでした。インストール パッケージが破損している可能性があります。"},
    {107,
     L"Preparing...",
     L"準備しています..."},
    {108,
     L"Copying the files...",
     L"ファイルをコピーしています..."},
    {109,
     L"Failed to copy the file. Please check if the file is in use.",
     L"ファイルのコピーに失敗しました。ファイルが使用中でないか確認してください。"},
    {112,
     L"Failed to start the installation process.",
     L"インストール プロセスの起動に失敗しました。"},
    {114,
     L"Source file of the install may be have been damaged or a reading error occured. (error code 11)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 11）。"},
    {115,
     L"Source file of the install may be have been damaged or a reading error occurred. (error code 12)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 12）。"},
    {116,
     L"Not enough disk space on your computer.",
     L"お使いのコンピュータのディスク空き容量が不足しています。"},
    {117,
     L"Source file of the install may be have been damaged or a reading error occurred. (error code 13)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 13）。"},
    {118,
     L"Could not prepare the folder for work use.",
     L"作業に使用するフォルダを用意することができませんでした。"},
    {119,
     L"Unknown internal error.",
     L"原因不明の内部エラーです。"},
    {120,
     L"Not compatible with your version of Windows. (error code 22)",
     L"お使いのWindowsのバージョンには対応していません（エラーコード 22）。"},
    {121,
     L"Administrator privilege is required to install.",
     L"インストールには管理者権限が必要となっています。"},
    {122,
     L"Not compatible with your computer's processor (CPU).",
     L"お使いのコンピュータのプロセッサ（CPU）形式には対応していません。"},
    {123,
     L"Source file of the install may be have been damaged or a reading error occurred. (error code 14)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 14）。"},
    {124,
     L"Source file of the install may be have been damaged or a reading error occurred. (error code 15)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 15）。"},
    {125,
     L"Source file of the install may be have been damaged or a reading error occurred. (error code 16)",
     L"インストール元となるファイルが破損しているか、読み取りエラーです（エラーコード 16）。"},
    {126,
     L"To install, you need to agree on the Licensing Agreement.",
     L"インストールを行うためには、使用許諾に同意する必要があります。"},
    {127,
     L"Could not access Windows API which are necessary for setup.",
     L"セットアップに必要となるWindowsの機能にアクセスすることができませんでした。"},
    {128,
     L"Could not install DirectX.\n\nReason:\n",
     L"DirectXのインストールを行うことができませんでした。\n\n原因：\n"},
    {129,
     L"To complete installation DirectX, you need to restart Windows.  \nDo you want to restart Windows right now?",
     L"DirectXのインストールを完了するため、Windowsを再起動する必要があります。\n今すぐWindowsを再起動しますか？"},
    {130,
     L"Failed to restart Windows. Please restart Windows manually.",
     L"Windowsの自動的な再起動に失敗しました。手動でWindowsの再起動を行ってください。"},
    {131,
     L"Administrator privilege is required to proceed.",
     L"この処理を行うためには、管理者権限が必要となっています。"},
    {132,
     L"\n\nYou can continue to install Tavrel! if you install DirectX later.\nWould you like to continue installation?",
     L"\n\nDirectXを後でインストールする場合は、Tavrel! のインストールを続行することができます。Tavrel! のインストールを続行しますか？"},
    {133,
     L"Registering programs...",
     L"プログラムを登録しています..."},
    {140,
     L"Failed to install .NET Framework 3.\n\nReason:\n",
     L".NET Framework 3のインストールを行うことができませんでした。\n\n原因：\n"},
    {141,
     L"Downloading files required for installation...",
     L"インストールに必要なファイルをダウンロードしています..."},
    {142,
     L"Processing installation...",
     L"インストール処理を行っています..."},
    {143,
     L"An error occured while installing .NET Framework.",
     L".NET Frameworkインストール中のエラーです。"},
    {144,
     L"\n\nYou can continue to install Tavrel! if you install .NET Framework later.\nWould you like to continue installation?",
     L"\n\n.NET Frameworkを後でインストールする場合は、Tavrel! のインストールを続行することができます。Tavrel! のインストールを続行しますか？"},
    {147,
     L"Your operating system is not compatible with Tavrel!.\n\nTavrel! requires Windows XP Service Pack 2, Windows Vista, Windows 7  and later.",
     L"お使いのオペレーティング システムはTavrel! の動作に対応していません。\n\nTavrel! の動作には、Windows XP Service Pack 2以降、Windows Vista、あるいはWindows 7以降が必要です。"},
    {148,
     L"This Windows XP which s not compatible with Tavrel! because it is not applied Service Pack 2 or later. Please apply the newest Service Pack via Windows Update or other means.\n\nTavrel! requires Windows XP Service Pack 2, Windows Vista, Windows 7  and later.",
     L"現在お使いのWindows XPは、Service Pack 2以降が適用されていないため、Tavrel! の動作に対応していません。\nWindows Updateなどを用いて、最新のService Packを導入してください。\n\nTavrel! の動作には、Windows XP Service Pack 2以降、Windows Vista、あるいはWindows 7以降が必要です。"},
    {150,
     L"The selected folder name is invalid.\nPlease check the name has no invalid characters.",
     L"指定されたインストール先フォルダは名前が不正であるか、使用できません。"},
    {151,
     L"Setup has detected that there is not enough disk space on the selected drive.\nIf you think there are enough space on the drive, you can continue.\nWould you like to proceed?",
     L"指定されたインストール先ドライブの空き容量が不足しているか、空き容量を確認できませんでした。\n空き容量に問題が無いと思われる場合は、続行することもできます。\n\nインストールを続行しますか？"},
    {152,
     L"There are some invalid characters in the folder name.",
     L"指定されたインストール先フォルダ名に、フォルダ名として使用できない文字が含まれています。"},
    {154,
     L"Setup has detected that Tavrel! is currently running. Please close it first and try again.",
     L"Tavrel! が起動しています。終了させてから実行してください。"},
    {155,
     L"Could not detect the location where Tavrel! is installed.\nYou may be logged-on as a user which is deferent from the user installed Tavrel!. If so, please log-on as the same user installed and try again.\nIf futher problems persist, please re-install Tavrel!.",
     L"Tavrel! のインストール先を検出できませんでした。\n\n・Tavrel! をインストールしたときと異なるユーザーでログインしている可能性があります。インストールしたユーザーでログインし、再度アップデートしてみてください。\n\n・それでも改善しない場合は、Tavrel! を再インストールしてみてください。"},
    {156,
     L"If you cancel here, the file condition will not be completed and may not work properly until you re-install Tavrel!.  Are you sure to cancel updating?",
     L"アップデートを中止すると、ファイルの状態が中途半端になり、Tavrel! を再インストールするまで正常動作しなくなる恐れがあります。\nアップデートを本当に中止してもよろしいですか？"},
    {157,
     L"Failed to load setup informations. Setup has been cancelled.",
     L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。"},
    {159,
     L"Deleting unnecessary files...",
     L"不要なファイルを削除しています..."},
    {171,
     L"Completing the additional data setup.\nWould you like to start Tavrel! ?",
     L"追加データのセットアップが完了しました。\n\nTavrel! を起動しますか？"},
    {172,
     L"Setup has been cancelled.",
     L"追加データのセットアップは中止されました。"},
};

const ExpectedText kUnsetupTexts[] = {
    {136,
     L"Uninstallation complete.",
     L"アンインストールが完了しました。"},
    {137,
     L"Could not start uninstallation process.",
     L"アンインストール処理を起動することができませんでした。"},
    {138,
     L"Internal error has occurred. Could not process uninstall. (01)",
     L"内部エラーが発生しました。アンインストールを続行できません。(01)"},
    {139,
     L"Internal error has occurred. Could not process uninstall. (02)",
     L"内部エラーが発生しました。アンインストールを続行できません。(02)"},
    {140,
     L"Internal error has occurred. Could not process uninstall. (03)",
     L"内部エラーが発生しました。アンインストールを続行できません。(03)"},
    {141,
     L"Internal error has occurred. Could not process uninstall. (04)",
     L"内部エラーが発生しました。アンインストールを続行できません。(04)"},
    {142,
     L"Internal error has occurred. Could not process uninstall. (05)",
     L"内部エラーが発生しました。アンインストールを続行できません。(05)"},
    {143,
     L"Internal error has occurred. Could not process uninstall. (06)",
     L"内部エラーが発生しました。アンインストールを続行できません。(06)"},
    {144,
     L"Failed load uninstallation information.(01)",
     L"アンインストール情報ファイルを読み込めませんでした。アンインストールを続行できません。"},
    {145,
     L"Failed to uninstall Tavrel!.",
     L"Tavrel! のアンインストールに失敗しました。"},
    {146,
     L"Internal error has occurred. Could not process uninstall. (00)",
     L"内部エラーが発生しました。アンインストールを続行できません。(00)"},
    {147,
     L"Please quit Tavrel! and try again.",
     L"Tavrel!を終了させてから実行してください。"},
    {148,
     L"Add New",
     L"新規追加"},
    {149,
     L"tavrelunsetup.def",
     L"tavrelunsetup.def"},
    {151,
     L"Failed load uninstallation information.(02)",
     L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。"},
    {152,
     L"unsetup.def",
     L"unsetup.def"},
};

const LANGID kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
const LANGID kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);

class DataModule {
public:
    explicit DataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE))
    {
    }
    ~DataModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;

    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// The non-empty strings of one language: a string block holds 16 counted
// strings, block n the ids 16 * (n - 1) to 16 * n - 1.
std::map<UINT, std::wstring> ReadStringTable(HMODULE module, LANGID language)
{
    std::map<UINT, std::wstring> strings;
    for (UINT block = 1; block <= 4096; ++block) {
        HRSRC info = FindResourceExW(module, RT_STRING, MAKEINTRESOURCEW(block), language);
        if (!info)
            continue;
        HGLOBAL data = LoadResource(module, info);
        const WORD* position = static_cast<const WORD*>(LockResource(data));
        const WORD* end = position + SizeofResource(module, info) / sizeof(WORD);
        REQUIRE(position != nullptr);
        for (UINT index = 0; index < 16; ++index) {
            REQUIRE(position < end);
            WORD length = *position++;
            REQUIRE(position + length <= end);
            if (length > 0)
                strings[(block - 1) * 16 + index] =
                    std::wstring(reinterpret_cast<const wchar_t*>(position), length);
            position += length;
        }
    }
    return strings;
}

template <size_t N>
void CheckTables(const std::wstring& modulePath, const ExpectedText (&expected)[N])
{
    DataModule module(modulePath);
    INFO("module: " << std::string(modulePath.begin(), modulePath.end()));
    REQUIRE(module.get() != nullptr);

    std::map<UINT, std::wstring> english = ReadStringTable(module.get(), kEnglish);
    std::map<UINT, std::wstring> japanese = ReadStringTable(module.get(), kJapanese);

    std::set<UINT> expectedIds;
    for (const ExpectedText& text : expected) {
        expectedIds.insert(text.id);
        INFO("string " << text.id);
        CHECK(english.count(text.id) == 1);
        CHECK(japanese.count(text.id) == 1);
        CHECK((english[text.id] == text.english));
        CHECK((japanese[text.id] == text.japanese));
    }
    for (const auto& entry : english) {
        INFO("English string " << entry.first << " is not expected");
        CHECK(expectedIds.count(entry.first) == 1);
    }
    for (const auto& entry : japanese) {
        INFO("Japanese string " << entry.first << " is not expected");
        CHECK(expectedIds.count(entry.first) == 1);
    }
}

} // namespace

TEST_CASE("packsetup carries every text in English and Japanese, exactly as written")
{
    CheckTables(build_tree::PackSetupPath(), kPackSetupTexts);
}

TEST_CASE("unsetup carries every text in English and Japanese, exactly as written")
{
    CheckTables(build_tree::PathOf(L"tests\\fixtures\\unsetup_strings\\unsetup_strings.dll"),
                kUnsetupTexts);
}

TEST_CASE("the tables keep what resource compilers tend to lose")
{
    DataModule module(build_tree::PackSetupPath());
    REQUIRE(module.get() != nullptr);
    std::map<UINT, std::wstring> english = ReadStringTable(module.get(), kEnglish);
    std::map<UINT, std::wstring> japanese = ReadStringTable(module.get(), kJapanese);

    // Two blanks in a row, before a line feed and in the middle of a text.
    CHECK(english[147].find(L"Windows 7  and later.") != std::wstring::npos);
    CHECK(english[129].find(L"Windows.  \nDo") != std::wstring::npos);
    // Texts that begin and end with line feeds.
    CHECK(english[132].compare(0, 2, L"\n\n") == 0);
    CHECK(english[140].back() == L'\n');
    // UTF-16 code units of the Japanese texts, not bytes of their UTF-8 form.
    REQUIRE(!japanese[154].empty());
    CHECK(japanese[154][9] == 0x8D77); // the first character of the verb "to start"
    CHECK(japanese[154].size() == 33);
}

TEST_CASE("LoadText reads the string table of the recorded module")
{
    DataModule module(build_tree::PackSetupPath());
    REQUIRE(module.get() != nullptr);
    HINSTANCE previous = GetResourceModule();
    SetResourceModule(module.get());
    std::wstring known = LoadText(157);
    std::wstring unknown = LoadText(104);
    std::wstring outOfRange = LoadText(60000);
    SetResourceModule(previous);

    // Which language the system picks depends on the test machine.
    CHECK((known == L"Failed to load setup informations. Setup has been cancelled."
           || known == L"セットアップ情報定義ファイルを読み込めませんでした。処理を中止します。"));
    CHECK(unknown.empty());
    CHECK(outOfRange.empty());
}
