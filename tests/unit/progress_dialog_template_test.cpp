// The progress dialog's templates in packsetup.exe, read as data: the same
// layout in both languages, with each language's font and texts.
#include <doctest/doctest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "build_tree.h"
#include "packsetup/res/resource.h"
#include "xml_test_support.h"

namespace {

struct TemplateItem {
    DWORD style;
    short x, y, cx, cy;
    DWORD id;
    std::wstring windowClass;  // predefined classes as "#0x0080" and so on
    std::wstring text;
};

struct DialogTemplate {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::wstring title;
    WORD pointSize = 0;
    std::wstring typeface;
    std::vector<TemplateItem> items;
};

// Reads the DLGTEMPLATEEX layout: fixed header, then menu, class and title
// as strings or ordinals, the font, and DWORD-aligned items.
class TemplateReader {
public:
    TemplateReader(const BYTE* data, DWORD size) : data_(data), size_(size) {}

    template <typename T>
    T Read()
    {
        T value = T();
        if (offset_ + sizeof(T) <= size_)
            memcpy(&value, data_ + offset_, sizeof(T));
        offset_ += sizeof(T);
        return value;
    }

    std::wstring ReadStringOrOrdinal()
    {
        WORD first = Read<WORD>();
        if (first == 0xFFFF)
            return L"#" + std::to_wstring(Read<WORD>());
        std::wstring text;
        for (WORD c = first; c != 0 && offset_ < size_; c = Read<WORD>())
            text += static_cast<wchar_t>(c);
        return text;
    }

    void AlignToDword() { offset_ = (offset_ + 3) & ~static_cast<size_t>(3); }
    bool Overran() const { return offset_ > size_; }

private:
    const BYTE* data_;
    DWORD size_;
    size_t offset_ = 0;
};

DialogTemplate ReadTemplate(HMODULE module, WORD language)
{
    DialogTemplate dialog;
    HRSRC resource = FindResourceExW(module, RT_DIALOG, MAKEINTRESOURCEW(IDD_PROGRESS), language);
    REQUIRE(resource != nullptr);
    HGLOBAL loaded = LoadResource(module, resource);
    REQUIRE(loaded != nullptr);
    TemplateReader reader(static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, resource));
    REQUIRE(reader.Read<WORD>() == 1);       // version
    REQUIRE(reader.Read<WORD>() == 0xFFFF);  // extended template
    reader.Read<DWORD>();                    // help id
    reader.Read<DWORD>();                    // extended style
    dialog.style = reader.Read<DWORD>();
    WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    CHECK(reader.ReadStringOrOrdinal().empty());  // no menu
    CHECK(reader.ReadStringOrOrdinal().empty());  // the dialog class
    dialog.title = reader.ReadStringOrOrdinal();
    REQUIRE((dialog.style & DS_SETFONT) != 0);
    dialog.pointSize = reader.Read<WORD>();
    reader.Read<WORD>();  // weight
    reader.Read<BYTE>();  // italic
    reader.Read<BYTE>();  // character set
    dialog.typeface = reader.ReadStringOrOrdinal();
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword();
        TemplateItem item;
        reader.Read<DWORD>();  // help id
        reader.Read<DWORD>();  // extended style
        item.style = reader.Read<DWORD>();
        item.x = reader.Read<short>();
        item.y = reader.Read<short>();
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = reader.Read<DWORD>();
        item.windowClass = reader.ReadStringOrOrdinal();
        item.text = reader.ReadStringOrOrdinal();
        WORD extra = reader.Read<WORD>();
        for (WORD skipped = 0; skipped < extra; ++skipped)
            reader.Read<BYTE>();
        dialog.items.push_back(item);
    }
    REQUIRE_FALSE(reader.Overran());
    return dialog;
}

class DataModule {
public:
    explicit DataModule(const std::wstring& path)
        : module_(LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
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

const wchar_t kStaticClass[] = L"#130";  // 0x0082
const wchar_t kButtonClass[] = L"#128";  // 0x0080

void CheckLayout(const DialogTemplate& dialog, const std::wstring& cancelText)
{
    CHECK(dialog.style == (DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION));
    CHECK((dialog.style & WS_SYSMENU) == 0);
    CHECK(dialog.cx == 215);
    CHECK(dialog.cy == 71);
    REQUIRE(dialog.items.size() == 4);

    const TemplateItem& phase = dialog.items[0];
    CHECK(phase.id == IDC_PROGRESS_PHASE);
    CHECK(phase.windowClass == kStaticClass);
    CHECK((phase.x == 7 && phase.y == 7 && phase.cx == 201 && phase.cy == 8));
    CHECK((phase.style & WS_VISIBLE) != 0);
    CHECK(phase.text.empty());

    const TemplateItem& file = dialog.items[1];
    CHECK(file.id == IDC_PROGRESS_FILE);
    CHECK(file.windowClass == kStaticClass);
    CHECK((file.x == 7 && file.y == 19 && file.cx == 201 && file.cy == 8));
    CHECK((file.style & WS_VISIBLE) != 0);
    // A path with an ampersand is shown as it is.
    CHECK((file.style & SS_NOPREFIX) != 0);
    CHECK(file.text.empty());

    const TemplateItem& bar = dialog.items[2];
    CHECK(bar.id == IDC_PROGRESS_BAR);
    // Window class names are not case-sensitive; the resource compiler writes capitals.
    CHECK(lstrcmpiW(bar.windowClass.c_str(), PROGRESS_CLASSW) == 0);
    CHECK((bar.x == 7 && bar.y == 31 && bar.cx == 201 && bar.cy == 14));
    CHECK((bar.style & (WS_VISIBLE | WS_BORDER)) == (WS_VISIBLE | WS_BORDER));

    const TemplateItem& cancel = dialog.items[3];
    CHECK(cancel.id == IDCANCEL);
    CHECK(cancel.windowClass == kButtonClass);
    CHECK((cancel.x == 81 && cancel.y == 49 && cancel.cx == 50 && cancel.cy == 14));
    CHECK((cancel.style & WS_VISIBLE) == 0);
    CHECK((cancel.style & WS_DISABLED) != 0);
    CHECK(cancel.text == cancelText);
}

} // namespace

TEST_CASE("the English progress dialog template")
{
    DataModule module(build_tree::PackSetupPath());
    REQUIRE(module.get() != nullptr);
    DialogTemplate dialog = ReadTemplate(module.get(), MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
    CHECK(dialog.title == L"Tavrel! Update");
    CHECK(dialog.typeface == L"MS Shell Dlg");
    CHECK(dialog.pointSize == 8);
    CheckLayout(dialog, L"Cancel");
}

TEST_CASE("the Japanese progress dialog template")
{
    DataModule module(build_tree::PackSetupPath());
    REQUIRE(module.get() != nullptr);
    DialogTemplate dialog = ReadTemplate(module.get(), MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT));
    CHECK(dialog.title == L"Tavrel! \u30a2\u30c3\u30d7\u30c7\u30fc\u30c8");
    CHECK(dialog.typeface == L"MS UI Gothic");
    CHECK(dialog.pointSize == 9);
    CheckLayout(dialog, L"\u30ad\u30e3\u30f3\u30bb\u30eb");
}
