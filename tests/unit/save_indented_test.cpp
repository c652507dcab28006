#include <doctest/doctest.h>

#include <windows.h>
#include <msxml2.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/xml/indented_serializer.h"
#include "common/xml/qz_xml.h"
#include "common/xml/replace_file.h"
#include "common/xml/xml_text.h"
#include "tests/unit/xml_test_support.h"

using qz_xml::QXMLDocument;
using qz_xml::QXMLElement;
using qz_xml::QXMLNode;
using qz_xml::QXMLText;
using xml_test::ComApartment;
using xml_test::DocumentFromMarkup;
using xml_test::ReadBytes;
using xml_test::ScratchFolder;
using xml_test::TextsOf;

namespace {

const char kDeclaration[] = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n";

std::string Utf8(const std::wstring& text)
{
    std::string out;
    REQUIRE(qz_xml::internal::AppendUtf8(out, text));
    return out;
}

std::string Escaped(const std::wstring& text)
{
    std::string out;
    REQUIRE(qz_xml::internal::AppendEscapedText(out, text));
    return out;
}

std::string EscapedAttribute(const std::wstring& text)
{
    std::string out;
    REQUIRE(qz_xml::internal::AppendEscapedAttributeValue(out, text));
    return out;
}

std::string CData(const std::wstring& text)
{
    std::string out;
    REQUIRE(qz_xml::internal::AppendCDataSection(out, text));
    return out;
}

bool Convertible(const std::wstring& text)
{
    std::string out;
    return qz_xml::internal::AppendUtf8(out, text);
}

std::string Serialized(QXMLDocument& document)
{
    std::string out;
    REQUIRE(qz_xml::internal::SerializeIndented(document.GetInterface(), L"utf-8", out));
    return out;
}

void AppendFile(QXMLDocument& document, QXMLNode& parent, const std::wstring& path)
{
    QXMLText text = document.CreateTextNode(path);
    QXMLElement file = document.CreateElement(L"File");
    REQUIRE(file.AppendChild(text.GetInterface()).IsValid());
    REQUIRE(parent.AppendChild(file.GetInterface()).IsValid());
}

// Makes the writes whose number is in the list fail, for one scope.
std::vector<int> g_failingWrites;
int g_writesSeen = 0;

bool FailListedWrites(int writeNumber)
{
    g_writesSeen = std::max(g_writesSeen, writeNumber);
    return std::find(g_failingWrites.begin(), g_failingWrites.end(), writeNumber)
        == g_failingWrites.end();
}

class FailingWrites {
public:
    explicit FailingWrites(std::vector<int> writes)
    {
        g_failingWrites = std::move(writes);
        g_writesSeen = 0;
        qz_xml::internal::SetStreamWriteHookForTesting(FailListedWrites);
    }
    ~FailingWrites() { qz_xml::internal::SetStreamWriteHookForTesting(nullptr); }
    FailingWrites(const FailingWrites&) = delete;
    FailingWrites& operator=(const FailingWrites&) = delete;
};

// A manifest large enough to be written in several pieces.
QXMLDocument LargeManifest()
{
    QXMLDocument document = DocumentFromMarkup(L"<TavrelUninstall><Components/></TavrelUninstall>");
    REQUIRE(document.IsValid());
    QXMLNode components = document.SelectSingleNode(L"/TavrelUninstall/Components");
    for (int i = 0; i < 3000; ++i)
        AppendFile(document, components,
                   L"C:\\Program Files\\Halvest\\Tavrel!\\data\\file" + std::to_wstring(i) + L".bin");
    return document;
}

std::wstring Repeat(wchar_t unit, size_t count)
{
    return std::wstring(count, unit);
}

// The string that a DOM getter hands out; empty when it fails.
template <typename Getter>
std::wstring Text(Getter get)
{
    BSTR text = nullptr;
    std::wstring result = SUCCEEDED(get(&text)) && text ? std::wstring(text, SysStringLen(text)) : L"";
    SysFreeString(text);
    return result;
}

// What a reader sees of a node and everything below it: elements and
// attributes by name and namespace URI, attribute values, texts, CDATA,
// comments and instructions. Namespace declarations are left out (a writer may
// add some), and so are the layout's white-space-only texts.
std::wstring Structure(IXMLDOMNode* node)
{
    DOMNodeType type = NODE_INVALID;
    REQUIRE(SUCCEEDED(node->get_nodeType(&type)));
    std::wstring name = Text([&](BSTR* out) { return node->get_nodeName(out); });
    std::wstring uri = Text([&](BSTR* out) { return node->get_namespaceURI(out); });
    std::wstring result;
    if (type == NODE_ELEMENT) {
        result = L"<{" + uri + L"}" + name;
        IXMLDOMNamedNodeMap* attributes = nullptr;
        REQUIRE(SUCCEEDED(node->get_attributes(&attributes)));
        long count = 0;
        attributes->get_length(&count);
        for (long i = 0; i < count; ++i) {
            // Wine's DOM cannot hand out a default namespace declaration.
            IXMLDOMNode* attribute = nullptr;
            if (FAILED(attributes->get_item(i, &attribute)) || !attribute)
                continue;
            std::wstring attributeName = Text([&](BSTR* out) { return attribute->get_nodeName(out); });
            if (attributeName != L"xmlns" && attributeName.rfind(L"xmlns:", 0) != 0)
                result += L" {" + Text([&](BSTR* out) { return attribute->get_namespaceURI(out); }) + L"}" + attributeName + L"="
                    + Text([&](BSTR* out) { return attribute->get_text(out); });
            attribute->Release();
        }
        attributes->Release();
        result += L">";
    } else if (type == NODE_TEXT || type == NODE_CDATA_SECTION || type == NODE_COMMENT
               || type == NODE_PROCESSING_INSTRUCTION) {
        std::wstring value = Text([&](BSTR* out) { return node->get_text(out); });
        if ((type == NODE_TEXT && value.find_first_not_of(L" \t\r\n") == std::wstring::npos)
            || (type == NODE_PROCESSING_INSTRUCTION && name == L"xml"))
            return L"";
        return L"[" + std::to_wstring(type) + L" " + name + L" " + value + L"]";
    }
    IXMLDOMNode* child = nullptr;
    node->get_firstChild(&child);
    while (child) {
        result += Structure(child);
        IXMLDOMNode* next = nullptr;
        child->get_nextSibling(&next);
        child->Release();
        child = next;
    }
    return type == NODE_ELEMENT ? result + L"</>" : result;
}

// The structure of the document after SaveIndented and a fresh load.
std::wstring StructureAfterSaving(QXMLDocument& document, const std::wstring& path)
{
    REQUIRE(document.SaveIndented(path, L"utf-8"));
    QXMLDocument reloaded;
    REQUIRE(reloaded.Create());
    REQUIRE(reloaded.Load(path));
    return Structure(reloaded.GetInterface());
}

} // namespace

TEST_CASE("UTF-16 becomes UTF-8 and text XML cannot carry is refused")
{
    CHECK(Utf8(L"C:\\App") == "C:\\App");
    CHECK(Utf8(L"\u00E9") == "\xC3\xA9");
    CHECK(Utf8(L"\u65E5\u672C") == "\xE6\x97\xA5\xE6\x9C\xAC");
    CHECK(Utf8(L"\uFFFD") == "\xEF\xBF\xBD");
    // A surrogate pair is one code point of four bytes.
    CHECK(Utf8(L"a\xD83D\xDE00z") == "a\xF0\x9F\x98\x80z");
    CHECK(Utf8(L"\t\n\r") == "\t\n\r");
    CHECK(Utf8(L"").empty());

    CHECK_FALSE(Convertible(L"a\xD83D"));
    CHECK_FALSE(Convertible(L"\xD83Dz"));
    CHECK_FALSE(Convertible(L"\xDE00"));
    CHECK_FALSE(Convertible(std::wstring(1, L'\0')));
    CHECK_FALSE(Convertible(L"\x01"));
    CHECK_FALSE(Convertible(L"\x1F"));
    CHECK_FALSE(Convertible(L"\xFFFE"));
}

TEST_CASE("Escaping of character data, attribute values and CDATA")
{
    SUBCASE("text")
    {
        CHECK(Escaped(L"R&D <x> \"q\" 'a'") == "R&amp;D &lt;x&gt; \"q\" 'a'");
        CHECK(Escaped(L"&&") == "&amp;&amp;");
        CHECK(Escaped(L"a\r\nb\tc") == "a&#13;\nb\tc");
        CHECK(Escaped(L"\u65E5<\u672C") == "\xE6\x97\xA5&lt;\xE6\x9C\xAC");
        std::string out;
        CHECK_FALSE(qz_xml::internal::AppendEscapedText(out, L"ok&\x02"));
        // The same into UTF-16 markup: a pair stays whole, a lone half is refused.
        std::wstring wide;
        CHECK(qz_xml::internal::AppendEscapedTextUtf16(wide, L"R&D <x>\r\n\U0001F600"));
        CHECK(wide == L"R&amp;D &lt;x&gt;&#13;\n\U0001F600");
        CHECK_FALSE(qz_xml::internal::AppendEscapedTextUtf16(wide, L"ok\x02"));
        CHECK_FALSE(qz_xml::internal::AppendEscapedTextUtf16(wide, L"a\xD83D"));
        CHECK_FALSE(qz_xml::internal::AppendEscapedTextUtf16(wide, L"\xDE00" L"b"));
    }
    SUBCASE("attribute value")
    {
        CHECK(EscapedAttribute(L"say \"hi\" & <go>") == "say &quot;hi&quot; &amp; &lt;go&gt;");
        CHECK(EscapedAttribute(L"a\tb\nc\rd'") == "a&#9;b&#10;c&#13;d'");
    }
    SUBCASE("CDATA")
    {
        CHECK(CData(L"<raw> & text") == "<![CDATA[<raw> & text]]>");
        CHECK(CData(L"") == "<![CDATA[]]>");
        CHECK(CData(L"a]]>b") == "<![CDATA[a]]]]><![CDATA[>b]]>");
        CHECK(CData(L"]]]>") == "<![CDATA[]]]]]><![CDATA[>]]>");
        CHECK(CData(L"a\rb") == "<![CDATA[a]]>&#13;<![CDATA[b]]>");
    }
    SUBCASE("indentation and encoding names")
    {
        std::string out;
        qz_xml::internal::AppendIndentation(out, 3);
        CHECK(out == "\t\t\t");
        CHECK(qz_xml::internal::IsUtf8EncodingName(L"utf-8"));
        CHECK(qz_xml::internal::IsUtf8EncodingName(L"UTF-8"));
        CHECK_FALSE(qz_xml::internal::IsUtf8EncodingName(L"utf8"));
        CHECK_FALSE(qz_xml::internal::IsUtf8EncodingName(L"utf-16"));
        CHECK_FALSE(qz_xml::internal::IsUtf8EncodingName(L""));
    }
}

TEST_CASE("An edited manifest is laid out one element per line, indented by depth")
{
    ComApartment com;
    QXMLDocument document = DocumentFromMarkup(
        L"<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
        L"<TavrelUninstall>\r\n"
        L" <Options><CurrentUser>1</CurrentUser></Options>\r\n"
        L"     <Components>\r\n"
        L"  <File>C:\\App\\a.dat</File>\r\n"
        L"<Directory>C:\\App</Directory>\r\n"
        L" </Components>\r\n"
        L"</TavrelUninstall>\r\n");
    REQUIRE(document.IsValid());
    QXMLNode components = document.SelectSingleNode(L"/TavrelUninstall/Components");
    AppendFile(document, components, L"C:\\App\\R&D <x>.txt");
    AppendFile(document, components, L"C:\\App\\\u65E5\u672C\\b.bin");
    document.CreateElement(L"Unused");

    CHECK(Serialized(document)
          == std::string(kDeclaration)
              + "<TavrelUninstall>\r\n"
                "\t<Options>\r\n"
                "\t\t<CurrentUser>1</CurrentUser>\r\n"
                "\t</Options>\r\n"
                "\t<Components>\r\n"
                "\t\t<File>C:\\App\\a.dat</File>\r\n"
                "\t\t<Directory>C:\\App</Directory>\r\n"
                "\t\t<File>C:\\App\\R&amp;D &lt;x&gt;.txt</File>\r\n"
                "\t\t<File>C:\\App\\\xE6\x97\xA5\xE6\x9C\xAC\\b.bin</File>\r\n"
                "\t</Components>\r\n"
                "</TavrelUninstall>\r\n");

    std::string out;
    CHECK(qz_xml::internal::SerializeIndented(document.GetInterface(), L"UTF-8", out));
    CHECK(out.rfind("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n", 0) == 0);
}

TEST_CASE("Mixed content, attributes, comments, instructions and CDATA survive")
{
    ComApartment com;
    QXMLDocument document = DocumentFromMarkup(
        L"<?xml version=\"1.0\"?>\n"
        L"<!-- head -->\n"
        L"<?app-data mode=\"x\"?>\n"
        L"<R a=\"1\" b='say \"hi\"&amp;&lt;'>\n"
        L"  <!--inside-->\n"
        L"  <P>Hello <B>bold</B> and <I>it<U>u</U></I> tail</P>\n"
        L"  <C><![CDATA[<raw> & ]]></C>\n"
        L"  <E/>\n"
        L"  <E2 x=\"&#9;&#10;&#13;\"></E2>\n"
        L"  <N xmlns:q=\"urn:q\"><q:Item q:k=\"v\">t</q:Item></N>\n"
        L"</R>\n");
    REQUIRE(document.IsValid());

    std::string expected = std::string(kDeclaration)
        + "<!-- head -->\r\n"
          "<?app-data mode=\"x\"?>\r\n"
          "<R a=\"1\" b=\"say &quot;hi&quot;&amp;&lt;\">\r\n"
          "\t<!--inside-->\r\n"
          "\t<P>Hello <B>bold</B> and <I>it<U>u</U></I> tail</P>\r\n"
          "\t<C><![CDATA[<raw> & ]]></C>\r\n"
          "\t<E/>\r\n"
          "\t<E2 x=\"&#9;&#10;&#13;\"/>\r\n"
          "\t<N xmlns:q=\"urn:q\">\r\n"
          "\t\t<q:Item q:k=\"v\">t</q:Item>\r\n"
          "\t</N>\r\n"
          "</R>\r\n";
    CHECK(Serialized(document) == expected);

    ScratchFolder folder(L"qzxml-mixed");
    REQUIRE(folder.created());
    std::wstring path = folder.File(L"mixed.xml");
    REQUIRE(document.SaveIndented(path, L"utf-8"));
    CHECK(ReadBytes(path) == expected);

    QXMLDocument reloaded;
    REQUIRE(reloaded.Create());
    REQUIRE(reloaded.Load(path));
    CHECK(xml_test::MarkupOf(reloaded.SelectSingleNode(L"/R"))
          == xml_test::MarkupOf(document.SelectSingleNode(L"/R")));
    CHECK(reloaded.SelectSingleNode(L"/R/P").GetText() == L"Hello bold and itu tail");
}

TEST_CASE("Namespaces, default and prefixed, on any element load again to the same nodes")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-namespaces");
    REQUIRE(folder.created());
    std::wstring path = folder.File(L"ns.xml");

    for (const wchar_t* markup : {
             // A feed: default and prefixed namespaces on the root, xml: attributes,
             // a comment and an instruction, CDATA and Japanese text.
             L"<?xml version=\"1.0\"?><!-- feed --><?style href=\"a.css\"?>"
             L"<feed xmlns=\"urn:feed\" xmlns:m=\"urn:media\" xml:lang=\"ja\">"
             L"<title type=\"text\">\u65E5\u672C &amp; caf\u00E9</title><entry xml:space=\"preserve\">"
             L"<m:content url=\"a.png\" m:medium=\"image\"/><content><![CDATA[<p>x</p>]]></content>"
             L"<?render fast?><!--\u6CE8--></entry></feed>",
             // Redeclared on children: another default, none at all, a prefix rebound.
             L"<doc xmlns=\"urn:outer\"><inner xmlns=\"urn:inner\"><leaf/></inner><plain xmlns=\"\"><x>t</x></plain>"
             L"<p:a xmlns:p=\"urn:p1\"><p:b xmlns:p=\"urn:p2\" p:at=\"v\"><p:c/></p:b><p:d/></p:a><back/></doc>",
             // A prefixed root, a default namespace further down, attributes in
             // several namespaces.
             L"<s:Envelope xmlns:s=\"urn:soap\" xmlns:xsi=\"urn:xsi\"><s:Body><Get xmlns=\"urn:svc\">"
             L"<id xsi:type=\"int\" s:must=\"1\">5</id><Mixed>a<b xmlns=\"\">b</b>c</Mixed></Get></s:Body></s:Envelope>",
         }) {
        CAPTURE(std::wstring(markup));
        QXMLDocument document = DocumentFromMarkup(markup);
        REQUIRE(document.IsValid());
        CHECK(StructureAfterSaving(document, path) == Structure(document.GetInterface()));
    }

    SUBCASE("elements made or moved in the tree keep their namespaces")
    {
        QXMLDocument document = DocumentFromMarkup(L"<r><list xmlns=\"urn:a\"><item/></list></r>");
        REQUIRE(document.IsValid());
        QXMLNode list = document.SelectSingleNode(L"/r/*");
        AppendFile(document, list, L"C:\\App\\x.bin");
        IXMLDOMNode* made = nullptr;
        VARIANT element;
        V_VT(&element) = VT_I4;
        V_I4(&element) = NODE_ELEMENT;
        BSTR name = SysAllocString(L"q:made");
        BSTR uri = SysAllocString(L"urn:q");
        REQUIRE(SUCCEEDED(document.GetTypedInterface()->createNode(element, name, uri, &made)));
        SysFreeString(name);
        SysFreeString(uri);
        QXMLNode madeNode(made);
        REQUIRE(document.SelectSingleNode(L"/r").AppendChild(madeNode.GetInterface()).IsValid());
        IXMLDOMNode* item = nullptr;
        REQUIRE(SUCCEEDED(list.GetInterface()->get_firstChild(&item)));
        QXMLNode itemNode(item);
        REQUIRE(document.SelectSingleNode(L"/r").AppendChild(itemNode.GetInterface()).IsValid());
        std::wstring structure = Structure(document.GetInterface());
        CHECK(structure.find(L"<{}File>") != std::wstring::npos);
        CHECK(structure.find(L"<{urn:q}q:made></><{urn:a}item></>") != std::wstring::npos);
        CHECK(StructureAfterSaving(document, path) == structure);
    }
    SUBCASE("a document type is left out and entity references are written as their text")
    {
        QXMLDocument typed = DocumentFromMarkup(
            L"<!DOCTYPE r [<!ENTITY co \"Halvest &#38;amp; \u00C9\">]><r><name>&co; Ltd</name><c>&co;</c></r>");
        REQUIRE(typed.IsValid());
        REQUIRE(typed.SaveIndented(path, L"utf-8"));
        CHECK(ReadBytes(path).find("DOCTYPE") == std::string::npos);
        QXMLDocument reloaded;
        REQUIRE(reloaded.Create());
        REQUIRE(reloaded.Load(path));
        // Wine's DOM gives a reference no text of its own; Windows' gives the entity's.
        std::wstring name = reloaded.SelectSingleNode(L"/r/name").GetText();
        CHECK((name == L"Ltd" || name == L"Halvest & \u00C9 Ltd"));
    }
}

TEST_CASE("A saved manifest loads again to the same content, Japanese path and text included")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-\u65E5\u672C\u8A9E");
    REQUIRE(folder.created());
    std::wstring path = folder.File(L"\u30DE\u30CB\u30D5\u30A7\u30B9\u30C8.dat");
    // The first entry comes from markup: the DOM keeps a CR only when it was
    // read as a character reference.
    const std::vector<std::wstring> files = {
        L"line one\r\nline two",
        L"C:\\Program Files\\Halvest\\Tavrel!\\\u7D20\u6750\\\u753B\u50CF.png",
        L"C:\\App\\caf\u00E9 & <co>.bin",
        L"C:\\App\\smile\xD83D\xDE00.txt",
    };

    QXMLDocument document = DocumentFromMarkup(
        L"<TavrelUninstall><Options><CurrentUser>0</CurrentUser></Options>"
        L"<Components><File>line one&#13;\nline two</File></Components></TavrelUninstall>");
    REQUIRE(document.IsValid());
    QXMLNode components = document.SelectSingleNode(L"/TavrelUninstall/Components");
    for (size_t i = 1; i < files.size(); ++i)
        AppendFile(document, components, files[i]);
    std::wstring before = xml_test::MarkupOf(document.SelectSingleNode(L"/TavrelUninstall"));

    REQUIRE(document.SaveIndented(path, L"utf-8"));
    std::string bytes = ReadBytes(path);
    CHECK(bytes.rfind(kDeclaration, 0) == 0);
    CHECK(bytes.find("\t\t<File>C:\\Program Files\\Halvest\\Tavrel!\\"
                     "\xE7\xB4\xA0\xE6\x9D\x90\\\xE7\x94\xBB\xE5\x83\x8F.png</File>\r\n")
          != std::string::npos);
    CHECK(bytes.find("<File>line one&#13;\nline two</File>") != std::string::npos);
    // Saving does not change the document.
    CHECK(xml_test::MarkupOf(document.SelectSingleNode(L"/TavrelUninstall")) == before);

    QXMLDocument reloaded;
    REQUIRE(reloaded.Create());
    REQUIRE(reloaded.Load(path));
    CHECK(TextsOf(reloaded.SelectNodes(L"/TavrelUninstall/Components/File")) == files);
    CHECK(reloaded.SelectSingleNode(L"/TavrelUninstall/Options/CurrentUser").GetText() == L"0");
    CHECK(xml_test::MarkupOf(reloaded.SelectSingleNode(L"/TavrelUninstall")) == before);

    SUBCASE("saving the reloaded document gives the same bytes again")
    {
        REQUIRE(reloaded.SaveIndented(path, L"utf-8"));
        CHECK(ReadBytes(path) == bytes);
    }
}

TEST_CASE("A failing write keeps the old file byte-for-byte and leaves no temporary file")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-failwrite");
    REQUIRE(folder.created());
    std::wstring path = folder.File(L"tavrelunsetup.dat");
    const std::string old = "\xEF\xBB\xBF<TavrelUninstall>old content</TavrelUninstall>\r\n";
    REQUIRE(xml_test::WriteBytes(path, old));
    QXMLDocument document = LargeManifest();

    for (int failing : {1, 2, 5}) {
        CAPTURE(failing);
        FailingWrites hook({failing});
        CHECK_FALSE(document.SaveIndented(path, L"utf-8"));
        CHECK(g_writesSeen == failing);
        CHECK(ReadBytes(path) == old);
        CHECK(xml_test::ListFolder(folder.path()) == std::vector<std::wstring>{L"tavrelunsetup.dat"});
    }

    SUBCASE("without a failure the same save replaces the file, in several writes")
    {
        FailingWrites hook({});
        REQUIRE(document.SaveIndented(path, L"utf-8"));
        CHECK(g_writesSeen > 5);
        CHECK(ReadBytes(path) == Serialized(document));
        CHECK(xml_test::ListFolder(folder.path()) == std::vector<std::wstring>{L"tavrelunsetup.dat"});
    }
}

TEST_CASE("Saves that cannot be done leave the target as it was")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-refused");
    REQUIRE(folder.created());
    std::wstring path = folder.File(L"tavrelunsetup.dat");
    const std::string old = "<TavrelUninstall/>";
    REQUIRE(xml_test::WriteBytes(path, old));
    QXMLDocument document = DocumentFromMarkup(L"<TavrelUninstall><Components/></TavrelUninstall>");
    REQUIRE(document.IsValid());

    SUBCASE("a folder that does not exist")
    {
        std::wstring missing = folder.File(L"missing\\tavrelunsetup.dat");
        CHECK_FALSE(document.SaveIndented(missing, L"utf-8"));
        CHECK_FALSE(xml_test::FileExists(folder.File(L"missing")));
    }
    SUBCASE("an empty document wrapper")
    {
        CHECK_FALSE(QXMLDocument().SaveIndented(path, L"utf-8"));
    }
    SUBCASE("a document without a root element")
    {
        QXMLDocument empty;
        REQUIRE(empty.Create());
        CHECK_FALSE(empty.SaveIndented(path, L"utf-8"));
    }
    SUBCASE("an encoding other than UTF-8")
    {
        CHECK_FALSE(document.SaveIndented(path, L"utf-16"));
    }
    SUBCASE("text that XML cannot carry")
    {
        QXMLNode components = document.SelectSingleNode(L"/TavrelUninstall/Components");
        AppendFile(document, components, L"bad\x01name");
        CHECK_FALSE(document.SaveIndented(path, L"utf-8"));
    }
    SUBCASE("a comment that would end early")
    {
        IXMLDOMComment* comment = nullptr;
        BSTR data = SysAllocString(L"a--b");
        REQUIRE(SUCCEEDED(document.GetTypedInterface()->createComment(data, &comment)));
        SysFreeString(data);
        QXMLNode commentNode(comment);
        REQUIRE(document.SelectSingleNode(L"/TavrelUninstall").AppendChild(commentNode.GetInterface()).IsValid());
        CHECK_FALSE(document.SaveIndented(path, L"utf-8"));
    }
    SUBCASE("a read-only target")
    {
        REQUIRE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
        CHECK_FALSE(document.SaveIndented(path, L"utf-8"));
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    SUBCASE("a path with an embedded NUL is not cut short")
    {
        std::wstring cut = path;
        cut += L'\0';
        cut += L"tail";
        CHECK_FALSE(document.SaveIndented(cut, L"utf-8"));
    }
    CHECK(ReadBytes(path) == old);
    CHECK(xml_test::ListFolder(folder.path()) == std::vector<std::wstring>{L"tavrelunsetup.dat"});
}

TEST_CASE("Paths too long for a temporary file beside the target are refused")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-long");
    REQUIRE(folder.created());
    QXMLDocument document = DocumentFromMarkup(L"<TavrelUninstall/>");
    REQUIRE(document.IsValid());

    // A folder of the given length below the scratch folder, made through the
    // long-path prefix so that creating it is not itself limited.
    auto folderOfLength = [&](size_t length) {
        std::wstring path = folder.path() + L"\\" + Repeat(L'f', length - folder.path().size() - 1);
        REQUIRE(path.size() == length);
        REQUIRE(CreateDirectoryW((L"\\\\?\\" + path).c_str(), nullptr));
        return path;
    };

    SUBCASE("the longest folder that still takes a temporary file works")
    {
        std::wstring longest = folderOfLength(MAX_PATH - 15);
        CHECK(document.SaveIndented(longest + L"\\a.xml", L"utf-8"));
        CHECK(xml_test::ListFolder(longest) == std::vector<std::wstring>{L"a.xml"});
    }
    SUBCASE("one character more fails and creates nothing")
    {
        std::wstring tooLong = folderOfLength(MAX_PATH - 14);
        CHECK_FALSE(document.SaveIndented(tooLong + L"\\a.xml", L"utf-8"));
        CHECK(xml_test::ListFolder(tooLong).empty());
    }
    SUBCASE("a target path beyond MAX_PATH fails")
    {
        std::wstring target = folder.path() + L"\\" + Repeat(L'n', MAX_PATH);
        CHECK_FALSE(document.SaveIndented(target, L"utf-8"));
        CHECK(xml_test::ListFolder(folder.path()).empty());
    }
}

TEST_CASE("Saving records no result in the document wrapper")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-result");
    REQUIRE(folder.created());
    QXMLDocument document = DocumentFromMarkup(L"<R><C/></R>");
    REQUIRE(document.IsValid());
    QXMLNode child = document.SelectSingleNode(L"/R/C");
    CHECK_FALSE(document.RemoveChild(child.GetInterface()).IsValid());
    HRESULT failed = document.GetLastResult();
    REQUIRE(FAILED(failed));
    CHECK(document.SaveIndented(folder.File(L"r.xml"), L"utf-8"));
    CHECK(document.GetLastResult() == failed);
    CHECK_FALSE(document.SaveIndented(folder.File(L"none\\r.xml"), L"utf-8"));
    CHECK(document.GetLastResult() == failed);
}
