#include <doctest/doctest.h>

#include <string>
#include <vector>

#include "common/win/message_box.h"
#include "packsetup/package_definition.h"
#include "xml_test_support.h"

namespace {

struct RecordedBox {
    std::wstring text;
    std::wstring title;
    UINT flags;
};

std::vector<RecordedBox> recordedBoxes;

int RecordBox(HWND, const std::wstring& text, const std::wstring& title, UINT flags)
{
    recordedBoxes.push_back(RecordedBox{text, title, flags});
    return IDOK;
}

// Records the message boxes shown while it lives.
class MessageBoxRecorder {
public:
    MessageBoxRecorder() : previous_(SetMessageBoxHandler(RecordBox)) { recordedBoxes.clear(); }
    ~MessageBoxRecorder() { SetMessageBoxHandler(previous_); }
    MessageBoxRecorder(const MessageBoxRecorder&) = delete;
    MessageBoxRecorder& operator=(const MessageBoxRecorder&) = delete;

private:
    MessageBoxHandler previous_;
};

struct DefinitionFixture {
    xml_test::ComApartment apartment;
    xml_test::ScratchFolder folder{L"definition-test"};
    MessageBoxRecorder boxes;
    PackageDefinition definition;

    bool Load(const std::string& markup)
    {
        std::wstring path = folder.File(L"packsetup.def");
        REQUIRE(xml_test::WriteBytes(path, markup));
        return LoadPackageDefinitionFile(path, definition);
    }
};

const char kRequired[] =
    "<Caption>Pack</Caption><BaseRegKey>Tavrel!</BaseRegKey><SfxExtractPath>Pack1</SfxExtractPath>";

std::string Definition(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<TavrelSetup>" + body + "</TavrelSetup>";
}

typedef std::vector<std::wstring> Texts;

} // namespace

TEST_CASE_FIXTURE(DefinitionFixture, "a complete definition fills the record")
{
    REQUIRE(Load(Definition(std::string("\r\n\t<Ignored a=\"1\"/>") + kRequired
        + "<RemoveComponents><File>a\\x.txt</File><Directory>old</Directory><File></File>"
          "<File>b.txt</File><Directory>old\\sub</Directory></RemoveComponents>"
          "<PackageID>P1</PackageID><PackageTitle>\xE8\xBF\xBD\xE5\x8A\xA0 Pack</PackageTitle>"
          "<RequiredTavrelVersion>1.2.3</RequiredTavrelVersion>")));
    CHECK(recordedBoxes.empty());
    CHECK(definition.caption == L"Pack");
    CHECK(definition.productRegistryKey == L"Software\\Halvest\\Tavrel!");
    CHECK(definition.unpackFolder == L"Halvest\\Pack1");
    CHECK(definition.removeFiles == Texts{L"a\\x.txt", L"", L"b.txt"});
    CHECK(definition.removeDirectories == Texts{L"old", L"old\\sub"});
    CHECK(definition.packageId == L"P1");
    CHECK(definition.packageTitle == L"\u8FFD\u52A0 Pack");
    CHECK(definition.requiredVersion == L"1.2.3");
}

TEST_CASE_FIXTURE(DefinitionFixture, "optional elements may be missing")
{
    REQUIRE(Load(Definition(kRequired)));
    CHECK(recordedBoxes.empty());
    CHECK(definition.removeFiles.empty());
    CHECK(definition.removeDirectories.empty());
    CHECK(definition.packageId.empty());
    CHECK(definition.packageTitle.empty());
    CHECK(definition.requiredVersion.empty());
}

TEST_CASE_FIXTURE(DefinitionFixture, "the file's own encoding declaration is honoured")
{
    // UTF-16 with a byte-order mark and a Japanese caption.
    std::wstring markup = L"\xFEFF<?xml version=\"1.0\" encoding=\"utf-16\"?><TavrelSetup>"
                          L"<Caption>\u8FFD\u52A0\u30C7\u30FC\u30BF</Caption><BaseRegKey>T</BaseRegKey>"
                          L"<SfxExtractPath>S</SfxExtractPath></TavrelSetup>";
    std::string bytes(reinterpret_cast<const char*>(markup.data()), markup.size() * sizeof(wchar_t));
    REQUIRE(Load(bytes));
    CHECK(definition.caption == L"\u8FFD\u52A0\u30C7\u30FC\u30BF");
}

TEST_CASE_FIXTURE(DefinitionFixture, "an entity that names a local file never brings in its content")
{
    // What the caption, and so every title, would show if the entity were read.
    REQUIRE(xml_test::WriteBytes(folder.File(L"secret.txt"), "SecretOfAnotherUser"));
    Load("<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
         "<!DOCTYPE TavrelSetup [<!ENTITY secret SYSTEM \"secret.txt\">]>\r\n"
         "<TavrelSetup><Caption>&secret;</Caption><BaseRegKey>T</BaseRegKey>"
         "<SfxExtractPath>S</SfxExtractPath></TavrelSetup>");
    CHECK(definition.caption.find(L"Secret") == std::wstring::npos);
    for (const RecordedBox& box : recordedBoxes) {
        CHECK(box.title.find(L"Secret") == std::wstring::npos);
        CHECK(box.text.find(L"Secret") == std::wstring::npos);
    }
}

TEST_CASE_FIXTURE(DefinitionFixture, "an unusable file fails without a message of its own")
{
    SUBCASE("missing")
    {
        CHECK_FALSE(LoadPackageDefinitionFile(folder.File(L"none.def"), definition));
    }
    SUBCASE("not well-formed")
    {
        CHECK_FALSE(Load("<TavrelSetup><Caption>Pack</TavrelSetup>"));
    }
    SUBCASE("another root element")
    {
        CHECK_FALSE(Load("<Setup>" + std::string(kRequired) + "</Setup>"));
    }
    SUBCASE("empty")
    {
        CHECK_FALSE(Load(""));
    }
    CHECK(recordedBoxes.empty());
    CHECK(definition.caption.empty());
}

TEST_CASE_FIXTURE(DefinitionFixture, "a missing required element is reported by name")
{
    SUBCASE("Caption, absent or empty, under the title \"error\"")
    {
        bool empty = false;
        SUBCASE("absent") {}
        SUBCASE("empty") { empty = true; }
        CHECK_FALSE(Load(Definition(std::string(empty ? "<Caption></Caption>" : "")
                                    + "<BaseRegKey>T</BaseRegKey><SfxExtractPath>S</SfxExtractPath>")));
        REQUIRE(recordedBoxes.size() == 1);
        CHECK(recordedBoxes[0].text == L"XML Node not found: <Caption>");
        CHECK(recordedBoxes[0].title == L"error");
        CHECK(recordedBoxes[0].flags == MB_ICONERROR);
        CHECK(definition.caption.empty());
    }
    SUBCASE("BaseRegKey, under the caption")
    {
        CHECK_FALSE(Load(Definition("<Caption>Pack</Caption><SfxExtractPath>S</SfxExtractPath>")));
        REQUIRE(recordedBoxes.size() == 1);
        CHECK(recordedBoxes[0].text == L"XML Node not found: <BaseRegKey>");
        CHECK(recordedBoxes[0].title == L"Pack");
        CHECK(definition.caption == L"Pack");
    }
    SUBCASE("SfxExtractPath, under the caption, after the registry key was read")
    {
        CHECK_FALSE(Load(Definition("<Caption>Pack</Caption><BaseRegKey>T</BaseRegKey>")));
        REQUIRE(recordedBoxes.size() == 1);
        CHECK(recordedBoxes[0].text == L"XML Node not found: <SfxExtractPath>");
        CHECK(recordedBoxes[0].title == L"Pack");
        CHECK(recordedBoxes[0].flags == MB_ICONERROR);
        CHECK(definition.productRegistryKey == L"Software\\Halvest\\T");
    }
    SUBCASE("only direct children of the root count")
    {
        CHECK_FALSE(Load(Definition("<Group>" + std::string(kRequired) + "</Group>")));
        REQUIRE(recordedBoxes.size() == 1);
        CHECK(recordedBoxes[0].text == L"XML Node not found: <Caption>");
    }
}

TEST_CASE("the definition lies beside the program under its name")
{
    std::wstring path;
    REQUIRE(GetDefinitionPath(path));
    wchar_t program[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    REQUIRE(length > 4);
    CHECK(path == std::wstring(program, length - 4) + L".def");
}
