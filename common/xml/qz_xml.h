#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>

#include "common/xml/atl_compat.h"
#include "common/xml/dom_base.h"
#include "common/xml/indented_serializer.h"

// Value-semantics wrappers over the MSXML DOM. Copies share one interface
// reference. A failing DOM call gives an empty wrapper, false or an empty
// string and leaves its HRESULT in the wrapper it was made on; only a string
// argument that cannot be allocated throws ATL::CAtlException.
namespace qz_xml {

class QXMLNodeList;

class QXMLNode : public internal::QXMLDOMBaseT<IXMLDOMNode> {
public:
    QXMLNode() {}
    explicit QXMLNode(IXMLDOMNode* pointer) : QXMLDOMBaseT(pointer) {}

    QXMLNode SelectSingleNode(const std::wstring& path);
    QXMLNodeList SelectNodes(const std::wstring& path);
    std::wstring GetText();
    // The qualified name ("Caption" for an element), empty on failure.
    std::wstring GetNodeName();
    QXMLNode AppendChild(IXMLDOMNode* child);
    QXMLNode RemoveChild(IXMLDOMNode* child);
};

namespace internal {

// A node wrapper that was built from, and so holds, a T.
template <typename T>
class QXMLNodeBasedT : public QXMLNode {
public:
    QXMLNodeBasedT() {}
    explicit QXMLNodeBasedT(T* pointer) : QXMLNode(pointer) {}

    void Attach(T* pointer) { QXMLNode::Attach(pointer); }
    T* GetTypedInterface() const { return static_cast<T*>(GetInterface()); }
};

} // namespace internal

class QXMLElement : public internal::QXMLNodeBasedT<IXMLDOMElement> {
public:
    QXMLElement() {}
    explicit QXMLElement(IXMLDOMElement* pointer) : QXMLNodeBasedT(pointer) {}
};

class QXMLText : public internal::QXMLNodeBasedT<IXMLDOMText> {
public:
    QXMLText() {}
    explicit QXMLText(IXMLDOMText* pointer) : QXMLNodeBasedT(pointer) {}
};

class QXMLDocument : public internal::QXMLNodeBasedT<IXMLDOMDocument> {
public:
    QXMLDocument() {}
    explicit QXMLDocument(IXMLDOMDocument* pointer) : QXMLNodeBasedT(pointer) {}

    // Creates a DOM document and makes it load synchronously.
    bool Create();
    bool DisableAsync();
    // Loads without resolving external entities and without validation.
    bool Load(const std::wstring& path);
    // The same from a stream, for bytes read through a handle that was
    // checked, so that the file is not opened again by its path.
    bool Load(IStream* stream);
    // Parses markup held in memory, as Load does a file, except that text of
    // white space alone is kept: markup built in memory has no layout to drop.
    bool LoadXml(const std::wstring& markup);
    // Why the last Load failed, as the parser reports it: the line and column
    // (1-based, 0 when it gives none) and its reason. False when it tells nothing.
    bool GetParseError(long& line, long& column, std::wstring& reason) const;
    QXMLElement CreateElement(const std::wstring& tagName);
    QXMLText CreateTextNode(const std::wstring& text);
    // Writes the document as indented UTF-8 XML; the file is replaced only
    // once the whole document was written, so a failure keeps the old one.
    bool SaveIndented(const std::wstring& path, const std::wstring& encoding) const;
    // The same with elements that the DOM does not hold written as the last
    // children of the root's last child (see AddedTextElements).
    bool SaveIndented(const std::wstring& path, const std::wstring& encoding,
                      const internal::AddedTextElements& added) const;

private:
    bool LoadFrom(const VARIANT& source);
};

class QXMLNodeList : public internal::QXMLDOMBaseT<IXMLDOMNodeList> {
public:
    // Walks a list by index; the length is taken when the iterator is made.
    class Iterator {
    public:
        Iterator(QXMLNodeList* list, long index, long length)
            : list_(list), index_(index), length_(length) {}

        // Fetches the item afresh and returns it as the iterator's current node.
        QXMLNode& operator*();
        QXMLNode* operator->() { return &**this; }
        Iterator& operator++();
        bool operator==(const Iterator& other) const { return index_ == other.index_; }
        bool operator!=(const Iterator& other) const { return index_ != other.index_; }

    private:
        QXMLNodeList* list_;
        long index_;
        long length_;
        QXMLNode current_;
    };
    using iterator = Iterator;

    QXMLNodeList() {}
    explicit QXMLNodeList(IXMLDOMNodeList* pointer) : QXMLDOMBaseT(pointer) {}

    QXMLNode GetItem(long index);
    // The number of items; 0 for an empty wrapper or when the DOM cannot tell.
    long GetLength() { return QueryLength(); }
    Iterator begin();
    Iterator end();

private:
    long QueryLength();
};

} // namespace qz_xml
