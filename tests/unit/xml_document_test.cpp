#include <doctest/doctest.h>

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

#include "common/xml/qz_xml.h"
#include "tests/unit/xml_test_support.h"

using qz_xml::QXMLDocument;
using qz_xml::QXMLElement;
using qz_xml::QXMLNode;
using qz_xml::QXMLNodeList;
using qz_xml::QXMLText;
using xml_test::ComApartment;
using xml_test::DocumentFromMarkup;
using xml_test::ScratchFolder;
using xml_test::TextsOf;

namespace {

// An indented manifest with a byte-order mark, as the product's setup leaves it.
const char kManifest[] =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
    "<TavrelUninstall>\r\n"
    "  <Options>\r\n"
    "    <CurrentUser>1</CurrentUser>\r\n"
    "  </Options>\r\n"
    "  <Components>\r\n"
    "    <File>C:\\App\\tavrel.exe</File>\r\n"
    "    <File>C:\\App\\A.DAT</File>\r\n"
    "    <Directory>C:\\App\\</Directory>\r\n"
    "    <Empty></Empty>\r\n"
    "  </Components>\r\n"
    "</TavrelUninstall>\r\n";

// {2933BF82-7B36-11D2-B20E-00C04F983E60}
const IID kIidNodeList = {0x2933BF82, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

// A node list that counts references and calls and hands out the items of a
// real list, so that ownership and iteration can be observed exactly.
class CountingNodeList : public IXMLDOMNodeList {
public:
    CountingNodeList(IXMLDOMNodeList* items, long length) : items_(items), length(length) {}

    HRESULT WINAPI QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kIidNodeList) {
            *object = this;
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG WINAPI AddRef() override { return ++references; }
    ULONG WINAPI Release() override { return --references; }
    HRESULT WINAPI GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT WINAPI GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT WINAPI GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT WINAPI Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override
    {
        return E_NOTIMPL;
    }
    HRESULT WINAPI get_item(long index, IXMLDOMNode** item) override
    {
        ++itemCalls;
        *item = nullptr;
        if (index < 0 || index >= length)
            return E_INVALIDARG;
        return items_->get_item(index, item);
    }
    HRESULT WINAPI get_length(long* result) override
    {
        *result = length;
        return lengthResult;
    }
    HRESULT WINAPI nextNode(IXMLDOMNode**) override { return E_NOTIMPL; }
    HRESULT WINAPI reset() override { return E_NOTIMPL; }
    HRESULT WINAPI get__newEnum(IUnknown**) override { return E_NOTIMPL; }

    // Starts at one: the reference a DOM call would hand over.
    ULONG references = 1;
    int itemCalls = 0;
    HRESULT lengthResult = S_OK;

private:
    IXMLDOMNodeList* items_;

public:
    long length;
};

QXMLDocument LoadedManifest(const ScratchFolder& folder)
{
    std::wstring path = folder.File(L"tavrelunsetup.dat");
    REQUIRE(xml_test::WriteBytes(path, kManifest));
    QXMLDocument document;
    REQUIRE(document.Create());
    REQUIRE(document.Load(path));
    return document;
}

} // namespace

TEST_CASE("An empty document wrapper calls nothing and gives empty results")
{
    ComApartment com;
    QXMLDocument document;

    CHECK_FALSE(document.IsValid());
    CHECK(document.GetInterface() == nullptr);
    CHECK_FALSE(document.DisableAsync());
    CHECK_FALSE(document.Load(L"C:\\anything.xml"));
    CHECK_FALSE(document.SelectSingleNode(L"/TavrelUninstall").IsValid());
    CHECK_FALSE(document.CreateElement(L"File").IsValid());
    CHECK_FALSE(document.CreateTextNode(L"text").IsValid());
    CHECK_FALSE(document.AppendChild(nullptr).IsValid());
    CHECK_FALSE(document.RemoveChild(nullptr).IsValid());
    CHECK(document.GetText().empty());

    QXMLNodeList list = document.SelectNodes(L"/TavrelUninstall/Components/File");
    CHECK_FALSE(list.IsValid());
    CHECK(list.begin() == list.end());
    CHECK_FALSE(list.GetItem(0).IsValid());
    // Nothing was called, so nothing was recorded.
    CHECK(document.GetLastResult() == S_OK);
    CHECK(list.GetLastResult() == S_OK);
}

TEST_CASE("Create makes a valid document that loads synchronously")
{
    ComApartment com;
    REQUIRE(com.initialised());
    QXMLDocument document;
    REQUIRE(document.Create());
    CHECK(document.IsValid());
    REQUIRE(document.GetTypedInterface() != nullptr);
    CHECK(static_cast<IXMLDOMNode*>(document.GetTypedInterface()) == document.GetInterface());

    VARIANT_BOOL async = VARIANT_TRUE;
    REQUIRE(SUCCEEDED(document.GetTypedInterface()->get_async(&async)));
    CHECK(async == VARIANT_FALSE);
    CHECK(document.GetLastResult() == S_OK);

    document.GetTypedInterface()->put_async(VARIANT_TRUE);
    CHECK(document.DisableAsync());
    REQUIRE(SUCCEEDED(document.GetTypedInterface()->get_async(&async)));
    CHECK(async == VARIANT_FALSE);
}

TEST_CASE("A loaded manifest answers path selections in document order")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-load");
    REQUIRE(folder.created());
    QXMLDocument document = LoadedManifest(folder);

    CHECK(TextsOf(document.SelectNodes(L"/TavrelUninstall/Components/File"))
          == std::vector<std::wstring>{L"C:\\App\\tavrel.exe", L"C:\\App\\A.DAT"});
    CHECK(TextsOf(document.SelectNodes(L"/TavrelUninstall/Components/Directory"))
          == std::vector<std::wstring>{L"C:\\App\\"});
    CHECK(document.SelectSingleNode(L"/TavrelUninstall/Options/CurrentUser").GetText() == L"1");

    QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    REQUIRE(root.IsValid());
    QXMLNode components = root.SelectSingleNode(L"./Components");
    REQUIRE(components.IsValid());
    CHECK(components.SelectSingleNode(L"./Empty").IsValid());
    CHECK(components.SelectSingleNode(L"./Empty").GetText().empty());

    SUBCASE("no match gives an empty node and keeps the wrapper valid")
    {
        QXMLNode missing = root.SelectSingleNode(L"./Missing");
        CHECK_FALSE(missing.IsValid());
        CHECK(root.IsValid());
        CHECK(root.GetLastResult() == S_FALSE);
        CHECK(root.SelectSingleNode(L"./Options").IsValid());
    }

    SUBCASE("an empty selection never runs the loop body")
    {
        QXMLNodeList none = document.SelectNodes(L"/TavrelUninstall/Nothing");
        REQUIRE(none.IsValid());
        int visited = 0;
        for (QXMLNode& node : none) {
            (void)node;
            ++visited;
        }
        CHECK(visited == 0);
        QXMLNodeList::Iterator end = none.end();
        ++end;
        CHECK(end == none.end());
    }
}

TEST_CASE("Load fails on a missing or malformed file and the document stays valid")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-badload");
    REQUIRE(folder.created());
    QXMLDocument document;
    REQUIRE(document.Create());

    CHECK_FALSE(document.Load(folder.File(L"missing.xml")));
    CHECK(document.IsValid());
    CHECK(document.GetLastResult() != S_OK);

    std::wstring malformed = folder.File(L"malformed.xml");
    REQUIRE(xml_test::WriteBytes(malformed, "<TavrelUninstall><File>x</TavrelUninstall>"));
    CHECK_FALSE(document.Load(malformed));
    CHECK(document.IsValid());

    std::wstring good = folder.File(L"good.xml");
    REQUIRE(xml_test::WriteBytes(good, kManifest));
    CHECK(document.Load(good));
    CHECK(document.GetLastResult() == S_OK);
    CHECK(document.SelectSingleNode(L"/TavrelUninstall/Options/CurrentUser").GetText() == L"1");
}

TEST_CASE("Editing replaces the components element as the manifest update does")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-edit");
    REQUIRE(folder.created());
    QXMLDocument document = LoadedManifest(folder);

    QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    QXMLNode oldComponents = root.SelectSingleNode(L"./Components");
    QXMLNode removed = root.RemoveChild(oldComponents.GetInterface());
    REQUIRE(removed.IsValid());
    // The removed subtree lives on through its own reference.
    CHECK(TextsOf(removed.SelectNodes(L"./File")).size() == 2);
    CHECK_FALSE(document.SelectSingleNode(L"/TavrelUninstall/Components").IsValid());

    SUBCASE("removing a node that is no longer a child fails, is recorded, and harms nothing")
    {
        CHECK_FALSE(root.RemoveChild(oldComponents.GetInterface()).IsValid());
        CHECK(FAILED(root.GetLastResult()));
        CHECK(root.IsValid());
        CHECK(root.SelectSingleNode(L"./Options").IsValid());
        CHECK(root.GetLastResult() == S_OK);
    }

    QXMLElement created = document.CreateElement(L"Components");
    REQUIRE(created.IsValid());
    QXMLNode components = root.AppendChild(created.GetInterface());
    REQUIRE(components.IsValid());
    for (const wchar_t* path : {L"C:\\App\\a.dat", L"C:\\App\\\u65E5\u672C\\b.bin"}) {
        QXMLText text = document.CreateTextNode(path);
        REQUIRE(text.IsValid());
        QXMLElement file = document.CreateElement(L"File");
        REQUIRE(file.IsValid());
        REQUIRE(file.AppendChild(text.GetInterface()).IsValid());
        REQUIRE(components.AppendChild(file.GetInterface()).IsValid());
    }

    CHECK(TextsOf(document.SelectNodes(L"/TavrelUninstall/Components/File"))
          == std::vector<std::wstring>{L"C:\\App\\a.dat", L"C:\\App\\\u65E5\u672C\\b.bin"});
    // Options stays before the new last child.
    CHECK(xml_test::MarkupOf(root).find(L"<Options>") < xml_test::MarkupOf(root).find(L"<Components>"));
}

TEST_CASE("Markup parsed in memory keeps white-space-only text and moves into another document")
{
    ComApartment com;
    ScratchFolder folder(L"qzxml-loadxml");
    REQUIRE(folder.created());
    QXMLDocument scratch;
    REQUIRE(scratch.Create());
    CHECK_FALSE(scratch.LoadXml(L"<Components><File>x</Components>"));
    CHECK(scratch.IsValid());
    REQUIRE(scratch.LoadXml(L"<Components><File> </File><File>C:\\R&amp;D</File></Components>"));
    QXMLNodeList files = scratch.SelectNodes(L"/Components/File");
    CHECK(files.GetLength() == 2);
    CHECK(xml_test::MarkupOf(scratch).find(L"<File> </File>") != std::wstring::npos);

    QXMLDocument document = LoadedManifest(folder);
    QXMLNode root = document.SelectSingleNode(L"/TavrelUninstall");
    root.RemoveChild(root.SelectSingleNode(L"./Components").GetInterface());
    REQUIRE(root.AppendChild(scratch.SelectSingleNode(L"/Components").GetInterface()).IsValid());
    CHECK(TextsOf(document.SelectNodes(L"/TavrelUninstall/Components/File")).back() == L"C:\\R&D");
    CHECK_FALSE(scratch.SelectSingleNode(L"/Components").IsValid());
}

TEST_CASE("Nodes keep their own reference after the document wrapper is gone")
{
    ComApartment com;
    QXMLNode file;
    {
        QXMLDocument document = DocumentFromMarkup(L"<R><File>C:\\x.bin</File></R>");
        REQUIRE(document.IsValid());
        file = document.SelectSingleNode(L"/R/File");
    }
    CHECK(file.GetText() == L"C:\\x.bin");
}

TEST_CASE("Copies share one reference, released once by the last sharer")
{
    ComApartment com;
    QXMLDocument document = DocumentFromMarkup(L"<R><F>a</F><F>b</F><F>c</F></R>");
    QXMLNodeList real = document.SelectNodes(L"/R/F");
    REQUIRE(real.IsValid());
    CountingNodeList counted(real.GetInterface(), 3);

    SUBCASE("construction takes over the reference and copies add none")
    {
        {
            QXMLNodeList first(&counted);
            CHECK(counted.references == 1);
            QXMLNodeList copy(first);
            QXMLNodeList assigned;
            assigned = first;
            CHECK(counted.references == 1);
            CHECK(copy.GetInterface() == &counted);
            CHECK(assigned.GetInterface() == &counted);
        }
        CHECK(counted.references == 0);
    }

    SUBCASE("the copy works on after the first wrapper is destroyed")
    {
        QXMLNodeList* first = new QXMLNodeList(&counted);
        QXMLNodeList copy(*first);
        delete first;
        CHECK(counted.references == 1);
        CHECK(copy.GetItem(1).GetText() == L"b");
        copy = QXMLNodeList();
        CHECK(counted.references == 0);
    }

    SUBCASE("Attach lets the old holder go only with its last sharer")
    {
        CountingNodeList other(real.GetInterface(), 3);
        QXMLNodeList list(&counted);
        QXMLNodeList sharer(list);
        list.Attach(&other);
        CHECK(list.GetInterface() == &other);
        CHECK(counted.references == 1);
        CHECK(other.references == 1);
        sharer.Attach(nullptr);
        CHECK_FALSE(sharer.IsValid());
        CHECK(counted.references == 0);
        list = QXMLNodeList();
        CHECK(other.references == 0);
    }

    SUBCASE("a copy starts with a clean result, an assignment takes the result over")
    {
        QXMLNodeList list(&counted);
        CHECK_FALSE(list.GetItem(7).IsValid());
        CHECK(list.GetLastResult() == E_INVALIDARG);
        CHECK(list.IsValid());
        QXMLNodeList copy(list);
        CHECK(copy.GetLastResult() == S_OK);
        QXMLNodeList assigned;
        assigned = list;
        CHECK(assigned.GetLastResult() == E_INVALIDARG);
    }
}

TEST_CASE("Node-list iteration")
{
    ComApartment com;
    QXMLDocument document = DocumentFromMarkup(L"<R><F>a</F><F>b</F><F>c</F></R>");
    QXMLNodeList real = document.SelectNodes(L"/R/F");
    REQUIRE(real.IsValid());

    SUBCASE("a range loop visits every item in order")
    {
        CHECK(TextsOf(real) == std::vector<std::wstring>{L"a", L"b", L"c"});
    }

    SUBCASE("dereferencing fetches the item afresh every time")
    {
        CountingNodeList counted(real.GetInterface(), 3);
        QXMLNodeList list(&counted);
        QXMLNodeList::Iterator it = list.begin();
        CHECK((*it).GetText() == L"a");
        CHECK(it->GetText() == L"a");
        CHECK(counted.itemCalls == 2);
        ++it;
        CHECK((*it).GetText() == L"b");
        CHECK(counted.itemCalls == 3);
        list = QXMLNodeList();
        CHECK(counted.references == 0);
    }

    SUBCASE("the length is taken when the iterator is made and increment stops at it")
    {
        CountingNodeList counted(real.GetInterface(), 2);
        QXMLNodeList list(&counted);
        QXMLNodeList::Iterator it = list.begin();
        QXMLNodeList::Iterator end = list.end();
        counted.length = 3;
        ++it;
        ++it;
        CHECK(it == end);
        ++it;
        CHECK(it == end);
        CHECK(it != list.end());
    }

    SUBCASE("a failing length gives an empty walk and is recorded")
    {
        CountingNodeList counted(real.GetInterface(), 3);
        counted.lengthResult = E_FAIL;
        QXMLNodeList list(&counted);
        CHECK(list.begin() == list.end());
        CHECK(list.GetLastResult() == E_FAIL);
        CHECK(counted.itemCalls == 0);
    }
}
