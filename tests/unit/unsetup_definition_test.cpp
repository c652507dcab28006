// The uninstaller's definition reader: the fields it fills, the literal
// messages of a missing or invalid element and the silent failures.
#include <doctest/doctest.h>

#include <windows.h>

#include <string>

#include "tests/unit/message_box_recorder.h"
#include "tests/unit/xml_test_support.h"
#include "unsetup/uninstaller_definition.h"

namespace {

std::string Utf8(const std::wstring& text)
{
    std::string bytes;
    qz_xml::internal::AppendUtf8(bytes, text);
    return bytes;
}

struct DefinitionFile {
    DefinitionFile() : folder(L"unsetup-definition"), path(folder.File(L"unsetup.def")) {}

    bool Write(const std::wstring& body, const std::wstring& root = L"TavrelSetup")
    {
        return xml_test::WriteBytes(path, "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
                                              + Utf8(L"<" + root + L">" + body + L"</" + root + L">"));
    }

    xml_test::ScratchFolder folder;
    std::wstring path;
};

const wchar_t kAllElements[] = L"<Caption>Tavrel! 削除</Caption><BaseRegKey>Tavrel!</BaseRegKey>"
                               L"<UninstallerInfoRegKey>Tavrel!</UninstallerInfoRegKey>"
                               L"<AppDataPath>Tavrel!</AppDataPath><Edition>normal</Edition>";

void CheckSingleError(const MessageBoxRecorder& boxes, const std::wstring& text, const std::wstring& title)
{
    REQUIRE(boxes.Boxes().size() == 1);
    CHECK(boxes.Boxes()[0].text == text);
    CHECK(boxes.Boxes()[0].title == title);
    CHECK(boxes.Boxes()[0].owner == nullptr);
    CHECK(boxes.Boxes()[0].flags == (MB_OK | MB_ICONERROR));
}

} // namespace

TEST_CASE("a complete definition fills the settings")
{
    xml_test::ComApartment apartment;
    DefinitionFile file;
    REQUIRE(file.folder.created());
    MessageBoxRecorder boxes;
    UninstallerSettings settings;

    SUBCASE("the worked example")
    {
        REQUIRE(file.Write(kAllElements));
        REQUIRE(LoadUninstallerDefinitionFile(file.path, settings));
        CHECK(settings.caption == L"Tavrel! 削除");
        CHECK(settings.baseRegKey == L"Software\\Halvest\\Tavrel!");
        CHECK(settings.uninstallRegKey == L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tavrel!");
        CHECK(settings.appDataPath == L"Halvest\\Tavrel!");
        CHECK_FALSE(settings.testEdition);
    }
    SUBCASE("any order, extra elements, a second Caption ignored, the test edition")
    {
        REQUIRE(file.Write(L"<Edition>test</Edition><Extra>x</Extra><AppDataPath>Data</AppDataPath>"
                           L"<Caption>First</Caption><UninstallerInfoRegKey>U</UninstallerInfoRegKey>"
                           L"<Caption>Second</Caption><BaseRegKey>B</BaseRegKey>"));
        REQUIRE(LoadUninstallerDefinitionFile(file.path, settings));
        CHECK(settings.caption == L"First");
        CHECK(settings.baseRegKey == L"Software\\Halvest\\B");
        CHECK(settings.uninstallRegKey == L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\U");
        CHECK(settings.appDataPath == L"Halvest\\Data");
        CHECK(settings.testEdition);
    }
    CHECK(boxes.Boxes().empty());
}

TEST_CASE("an absent, malformed or foreign definition fails without a message of its own")
{
    xml_test::ComApartment apartment;
    DefinitionFile file;
    REQUIRE(file.folder.created());
    MessageBoxRecorder boxes;
    UninstallerSettings settings;

    SUBCASE("absent") {}
    SUBCASE("not well-formed")
    {
        REQUIRE(xml_test::WriteBytes(file.path, "<TavrelSetup><Caption>x</Caption>"));
    }
    SUBCASE("another root element")
    {
        REQUIRE(file.Write(kAllElements, L"TavrelUninstall"));
    }
    CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
    CHECK(boxes.Boxes().empty());
}

TEST_CASE("a missing or empty element is named in a message before the failure")
{
    xml_test::ComApartment apartment;
    DefinitionFile file;
    REQUIRE(file.folder.created());
    MessageBoxRecorder boxes;
    UninstallerSettings settings;
    const std::wstring caption = L"<Caption>Tavrel!</Caption>";

    SUBCASE("Caption empty: the title is \"error\"")
    {
        REQUIRE(file.Write(L"<Caption></Caption><BaseRegKey>B</BaseRegKey>"));
        CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
        CheckSingleError(boxes, L"XML Node not found: <Caption>", L"error");
    }
    SUBCASE("BaseRegKey absent")
    {
        REQUIRE(file.Write(caption + L"<UninstallerInfoRegKey>U</UninstallerInfoRegKey>"));
        CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
        CheckSingleError(boxes, L"XML Node not found: <BaseRegKey>", L"Tavrel!");
    }
    SUBCASE("UninstallerInfoRegKey absent")
    {
        REQUIRE(file.Write(caption + L"<BaseRegKey>B</BaseRegKey><AppDataPath>A</AppDataPath>"));
        CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
        CheckSingleError(boxes, L"XML Node not found: <UninstallerInfoRegKey>", L"Tavrel!");
        CHECK(settings.baseRegKey == L"Software\\Halvest\\B");
    }
    SUBCASE("AppDataPath empty")
    {
        REQUIRE(file.Write(caption + L"<BaseRegKey>B</BaseRegKey><UninstallerInfoRegKey>U</UninstallerInfoRegKey>"
                                     L"<AppDataPath/><Edition>normal</Edition>"));
        CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
        CheckSingleError(boxes, L"XML Node not found: <AppDataPath>", L"Tavrel!");
    }
    SUBCASE("Edition absent")
    {
        REQUIRE(file.Write(caption + L"<BaseRegKey>B</BaseRegKey><UninstallerInfoRegKey>U</UninstallerInfoRegKey>"
                                     L"<AppDataPath>A</AppDataPath>"));
        CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
        CheckSingleError(boxes, L"XML Node not found: <Edition>", L"Tavrel!");
    }
}

TEST_CASE("Edition is exactly \"normal\" or \"test\"")
{
    xml_test::ComApartment apartment;
    DefinitionFile file;
    REQUIRE(file.folder.created());
    MessageBoxRecorder boxes;
    UninstallerSettings settings;
    std::wstring edition;
    SUBCASE("capital N") { edition = L"Normal"; }
    SUBCASE("leading blank") { edition = L" normal"; }
    SUBCASE("trailing blank") { edition = L"test "; }
    SUBCASE("another word") { edition = L"trial"; }
    // The DOM trims an element's text unless its white space is preserved.
    REQUIRE(file.Write(L"<Caption>Tavrel!</Caption><BaseRegKey>B</BaseRegKey>"
                       L"<UninstallerInfoRegKey>U</UninstallerInfoRegKey><AppDataPath>A</AppDataPath>"
                       L"<Edition xml:space=\"preserve\">" + edition + L"</Edition>"));
    CHECK_FALSE(LoadUninstallerDefinitionFile(file.path, settings));
    CheckSingleError(boxes, L"Invalid XML Node value: <Edition>", L"Tavrel!");
}
