#include "common/xml/indented_serializer.h"

#include <algorithm>
#include <string_view>
#include <vector>

#include "common/xml/com_scoped.h"
#include "common/xml/namespace_scopes.h"
#include "common/xml/xml_text.h"

namespace qz_xml {
namespace internal {

namespace {

const char kLineEnd[] = "\r\n";

std::wstring_view ViewOf(const ScopedBstr& text)
{
    return std::wstring_view(text.get() ? text.get() : L"", text.Length());
}

bool GetNodeName(IXMLDOMNode* node, ScopedBstr& name)
{
    return SUCCEEDED(node->get_nodeName(name.Receive())) && name.get();
}

// The character data of a text, CDATA, comment, processing instruction or
// attribute node, embedded NULs included, as a view into the variant, which
// keeps the characters.
bool ViewNodeValue(IXMLDOMNode* node, ScopedVariant& variant, std::wstring_view& value)
{
    if (FAILED(node->get_nodeValue(&variant.get())))
        return false;
    if (V_VT(&variant.get()) == VT_NULL || V_VT(&variant.get()) == VT_EMPTY) {
        value = std::wstring_view();
        return true;
    }
    if (V_VT(&variant.get()) != VT_BSTR)
        return false;
    BSTR text = V_BSTR(&variant.get());
    value = std::wstring_view(text ? text : L"", SysStringLen(text));
    return true;
}

bool GetNodeType(IXMLDOMNode* node, DOMNodeType& type)
{
    return SUCCEEDED(node->get_nodeType(&type));
}

// The namespace URI of an element or attribute; empty for none.
bool GetNamespaceUri(IXMLDOMNode* node, std::wstring& uri)
{
    ScopedBstr text;
    if (FAILED(node->get_namespaceURI(text.Receive())))
        return false;
    uri.assign(ViewOf(text));
    return true;
}

// The part of a qualified name before its colon; empty without one.
std::wstring_view PrefixOf(std::wstring_view name)
{
    size_t colon = name.find(L':');
    return colon == std::wstring_view::npos ? std::wstring_view() : name.substr(0, colon);
}

// For a namespace declaration ("xmlns" or "xmlns:p"), the prefix it binds
// ("" or "p"); false for any other attribute name.
bool DeclaredPrefix(std::wstring_view attributeName, std::wstring_view& prefix)
{
    const std::wstring_view keyword = L"xmlns";
    if (attributeName.compare(0, keyword.size(), keyword) != 0)
        return false;
    if (attributeName.size() == keyword.size()) {
        prefix = std::wstring_view();
        return true;
    }
    if (attributeName[keyword.size()] != L':')
        return false;
    prefix = attributeName.substr(keyword.size() + 1);
    return true;
}

// The same for the document's own children, by index: some DOMs cannot step
// from a document type to its next sibling.
template <typename Visit>
bool ForEachDocumentChild(IXMLDOMNode* document, Visit visit)
{
    ScopedInterface<IXMLDOMNodeList> children;
    long count = 0;
    if (FAILED(document->get_childNodes(children.Receive())) || !children || FAILED(children->get_length(&count)))
        return false;
    for (long i = 0; i < count; ++i) {
        ScopedInterface<IXMLDOMNode> child;
        if (FAILED(children->get_item(i, child.Receive())) || !child || !visit(child.get()))
            return false;
    }
    return true;
}

class IndentedSerializer {
public:
    IndentedSerializer(std::string& out, const AddedTextElements* added) : out_(out), added_(added) {}

    bool WriteDocument(IXMLDOMNode* document, std::wstring_view encoding)
    {
        out_ += "<?xml version=\"1.0\" encoding=\"";
        if (!AppendUtf8(out_, encoding))
            return false;
        out_ += "\" standalone=\"yes\"?>";
        out_ += kLineEnd;
        bool hasRoot = false;
        bool written = ForEachDocumentChild(document, [&](IXMLDOMNode* child) {
            DOMNodeType type;
            if (!GetNodeType(child, type))
                return false;
            if (type == NODE_ELEMENT)
                hasRoot = true;
            // The loaded declaration is replaced by the one written above.
            if (type == NODE_PROCESSING_INSTRUCTION && IsXmlDeclaration(child))
                return true;
            // A document type is left out: its defaults and entities are
            // already applied to the tree that is written.
            if (type == NODE_DOCUMENT_TYPE)
                return true;
            return WriteNode(child, type, 0, false);
        });
        return written && hasRoot && (!added_ || addedWritten_);
    }

private:
    struct Attribute {
        std::wstring name;
        std::wstring value;
        std::wstring namespaceUri;
    };

    static bool IsXmlDeclaration(IXMLDOMNode* instruction)
    {
        ScopedBstr target;
        return GetNodeName(instruction, target) && ViewOf(target) == L"xml";
    }

    void BeginLine(int depth, bool inlineLayout)
    {
        if (!inlineLayout)
            AppendIndentation(out_, depth);
    }

    void EndLine(bool inlineLayout)
    {
        if (!inlineLayout)
            out_ += kLineEnd;
    }

    bool WriteNode(IXMLDOMNode* node, DOMNodeType type, int depth, bool inlineLayout)
    {
        switch (type) {
        case NODE_ELEMENT:
            return WriteElement(node, depth, inlineLayout);
        case NODE_TEXT:
            return WriteText(node);
        case NODE_CDATA_SECTION:
            return WriteCData(node);
        case NODE_COMMENT:
            return WriteComment(node, depth, inlineLayout);
        case NODE_PROCESSING_INSTRUCTION:
            return WriteProcessingInstruction(node, depth, inlineLayout);
        case NODE_ENTITY_REFERENCE:
            // The document type that declares the entity is not written, so
            // the reference is replaced by the text it stands for.
            return WriteEntityText(node);
        default:
            return false;
        }
    }

    // Reads the element's children once, with their types, onto the stack
    // of children; holds is true when any of them is character data, which
    // must not receive layout white space.
    bool ReadChildren(IXMLDOMNode* element, bool& holds)
    {
        holds = false;
        ScopedInterface<IXMLDOMNode> child;
        if (FAILED(element->get_firstChild(child.Receive())))
            return false;
        while (child) {
            DOMNodeType type;
            if (!GetNodeType(child.get(), type))
                return false;
            if (type == NODE_TEXT || type == NODE_CDATA_SECTION || type == NODE_ENTITY_REFERENCE)
                holds = true;
            ScopedInterface<IXMLDOMNode> next;
            if (FAILED(child->get_nextSibling(next.Receive())))
                return false;
            children_.push_back(Child{child.get(), type});
            child.Detach();
            child.Reset(next.Detach());
        }
        return true;
    }

    bool WriteElement(IXMLDOMNode* element, int depth, bool inlineLayout)
    {
        bool receivesAdded = receivesAdded_;
        receivesAdded_ = false;
        ScopedBstr name;
        if (!GetNodeName(element, name))
            return false;
        if (receivesAdded) {
            if (ViewOf(name) != added_->parentName)
                return false;
            addedWritten_ = true;
        }
        std::wstring namespaceUri;
        if (!GetNamespaceUri(element, namespaceUri) || (receivesAdded && !namespaceUri.empty()))
            return false;
        size_t scope = namespaces_.Mark();
        if (!ReadAttributes(element) || !BindNamespaces(scope, ViewOf(name), namespaceUri))
            return false;
        BeginLine(depth, inlineLayout);
        out_ += '<';
        if (!AppendUtf8(out_, ViewOf(name)))
            return false;
        if (!WriteAttributes() || !WriteAddedDeclarations())
            return false;

        ChildrenScope children(children_);
        bool holdsCharacterData = false;
        if (!ReadChildren(element, holdsCharacterData))
            return false;
        size_t addedCount = 0;
        if (receivesAdded) {
            for (const AddedTextElements::Group& group : added_->groups)
                addedCount += group.texts->size();
        }
        if (children.Empty() && addedCount == 0) {
            out_ += "/>";
            EndLine(inlineLayout);
            namespaces_.Restore(scope);
            return true;
        }

        bool contentInline = inlineLayout || holdsCharacterData;
        out_ += '>';
        EndLine(contentInline);
        // By index: writing the children's own children grows the stack.
        size_t last = children_.size() - 1;
        for (size_t i = children.First(); i < children_.size(); ++i) {
            // Only the root's last child receives the added elements.
            receivesAdded_ = added_ && depth == 0 && i == last && children_[i].type == NODE_ELEMENT;
            if (!WriteNode(children_[i].node, children_[i].type, depth + 1, contentInline))
                return false;
        }
        receivesAdded_ = false;
        if (receivesAdded) {
            if (!WriteAddedElements(depth + 1, contentInline))
                return false;
        }
        BeginLine(depth, contentInline);
        out_ += "</";
        if (!AppendUtf8(out_, ViewOf(name)))
            return false;
        out_ += '>';
        EndLine(inlineLayout);
        namespaces_.Restore(scope);
        return true;
    }

    // The element that receives them has no namespace, so its default
    // namespace is none and the added elements need no declaration.
    bool WriteAddedElements(int depth, bool inlineLayout)
    {
        for (const AddedTextElements::Group& group : added_->groups) {
            std::string tag;
            if (!AppendUtf8(tag, group.tag))
                return false;
            for (const std::wstring& text : *group.texts) {
                BeginLine(depth, inlineLayout);
                out_ += '<';
                out_ += tag;
                if (text.empty()) {
                    out_ += "/>";
                } else {
                    out_ += '>';
                    if (!AppendEscapedText(out_, text))
                        return false;
                    out_ += "</";
                    out_ += tag;
                    out_ += '>';
                }
                EndLine(inlineLayout);
            }
        }
        return true;
    }

    bool ReadAttributes(IXMLDOMNode* element)
    {
        attributes_.clear();
        ScopedInterface<IXMLDOMNamedNodeMap> attributes;
        if (FAILED(element->get_attributes(attributes.Receive())))
            return false;
        if (!attributes)
            return true;
        long count = 0;
        if (FAILED(attributes->get_length(&count)))
            return false;
        long unreadable = 0;
        for (long i = 0; i < count; ++i) {
            ScopedInterface<IXMLDOMNode> node;
            if (FAILED(attributes->get_item(i, node.Receive())) || !node) {
                ++unreadable;
                continue;
            }
            Attribute attribute;
            ScopedBstr name;
            ScopedVariant value;
            std::wstring_view valueView;
            if (!GetNodeName(node.get(), name) || !ViewNodeValue(node.get(), value, valueView)
                || !GetNamespaceUri(node.get(), attribute.namespaceUri))
                return false;
            attribute.name.assign(ViewOf(name));
            attribute.value.assign(valueView);
            attributes_.push_back(std::move(attribute));
        }
        return unreadable == 0 || OnlyDeclarationsUnread(element);
    }

    // Some DOMs list an element's namespace declarations among its
    // attributes but cannot hand all of them out. Such items are left out
    // (what the nodes need is declared again from their namespaces) only
    // when every attribute that is not a declaration was read.
    bool OnlyDeclarationsUnread(IXMLDOMNode* element)
    {
        ScopedBstr query(L"@*");
        ScopedInterface<IXMLDOMNodeList> ordinary;
        long count = 0;
        if (FAILED(element->selectNodes(query.get(), ordinary.Receive())) || !ordinary
            || FAILED(ordinary->get_length(&count)))
            return false;
        long read = 0;
        for (const Attribute& attribute : attributes_) {
            std::wstring_view prefix;
            if (!DeclaredPrefix(attribute.name, prefix))
                ++read;
        }
        return count == read;
    }

    // Opens the element's namespace scope: first the declarations among its
    // attributes, then a declaration for each prefix of the element and its
    // attributes whose binding in scope differs from the node's namespace,
    // as for nodes that were made or moved in the tree. False when the
    // element cannot be written with the namespaces it has.
    bool BindNamespaces(size_t scope, std::wstring_view elementName, const std::wstring& elementUri)
    {
        // Some DOMs hand out one declaration twice; the repeat is dropped,
        // as an element cannot bind a prefix twice.
        bool conflicting = false;
        auto repeated = [&](const Attribute& attribute) {
            std::wstring_view prefix;
            if (!DeclaredPrefix(attribute.name, prefix))
                return false;
            if (namespaces_.BoundSince(scope, prefix)) {
                conflicting = conflicting || *namespaces_.Lookup(prefix) != attribute.value;
                return true;
            }
            namespaces_.Bind(prefix, attribute.value);
            return false;
        };
        attributes_.erase(std::remove_if(attributes_.begin(), attributes_.end(), repeated), attributes_.end());
        if (conflicting)
            return false;
        declaredEnd_ = namespaces_.Mark();
        if (!RequireBinding(scope, PrefixOf(elementName), elementUri))
            return false;
        for (const Attribute& attribute : attributes_) {
            std::wstring_view prefix;
            if (DeclaredPrefix(attribute.name, prefix))
                continue;
            prefix = PrefixOf(attribute.name);
            // An attribute without a prefix is in no namespace, whatever the
            // default namespace is.
            if (prefix.empty() ? !attribute.namespaceUri.empty()
                               : !RequireBinding(scope, prefix, attribute.namespaceUri))
                return false;
        }
        return true;
    }

    bool RequireBinding(size_t scope, std::wstring_view prefix, const std::wstring& uri)
    {
        const std::wstring* bound = namespaces_.Lookup(prefix);
        if (bound && *bound == uri)
            return true;
        // A prefix cannot be bound to no namespace, "xml" to no other URI,
        // and one element cannot bind a prefix twice.
        if ((!prefix.empty() && uri.empty()) || prefix == L"xml" || namespaces_.BoundSince(scope, prefix))
            return false;
        namespaces_.Bind(prefix, uri);
        return true;
    }

    bool WriteAttributes()
    {
        for (const Attribute& attribute : attributes_) {
            out_ += ' ';
            if (!AppendUtf8(out_, attribute.name))
                return false;
            out_ += "=\"";
            if (!AppendEscapedAttributeValue(out_, attribute.value))
                return false;
            out_ += '"';
        }
        return true;
    }

    bool WriteAddedDeclarations()
    {
        for (size_t i = declaredEnd_; i < namespaces_.Mark(); ++i) {
            const std::pair<std::wstring, std::wstring>& binding = namespaces_.At(i);
            out_ += " xmlns";
            if (!binding.first.empty()) {
                out_ += ':';
                if (!AppendUtf8(out_, binding.first))
                    return false;
            }
            out_ += "=\"";
            if (!AppendEscapedAttributeValue(out_, binding.second))
                return false;
            out_ += '"';
        }
        return true;
    }

    bool WriteText(IXMLDOMNode* text)
    {
        ScopedVariant variant;
        std::wstring_view value;
        return ViewNodeValue(text, variant, value) && AppendEscapedText(out_, value);
    }

    bool WriteEntityText(IXMLDOMNode* reference)
    {
        ScopedBstr text;
        return SUCCEEDED(reference->get_text(text.Receive())) && AppendEscapedText(out_, ViewOf(text));
    }

    bool WriteCData(IXMLDOMNode* section)
    {
        ScopedVariant variant;
        std::wstring_view value;
        return ViewNodeValue(section, variant, value) && AppendCDataSection(out_, value);
    }

    bool WriteComment(IXMLDOMNode* comment, int depth, bool inlineLayout)
    {
        ScopedVariant variant;
        std::wstring_view value;
        if (!ViewNodeValue(comment, variant, value))
            return false;
        // "--" inside, or "-" at the end, would end the comment early.
        if (value.find(L"--") != std::wstring_view::npos || (!value.empty() && value.back() == L'-'))
            return false;
        BeginLine(depth, inlineLayout);
        out_ += "<!--";
        if (!AppendUtf8(out_, value))
            return false;
        out_ += "-->";
        EndLine(inlineLayout);
        return true;
    }

    bool WriteProcessingInstruction(IXMLDOMNode* instruction, int depth, bool inlineLayout)
    {
        ScopedBstr target;
        ScopedVariant variant;
        std::wstring_view value;
        if (!GetNodeName(instruction, target) || !ViewNodeValue(instruction, variant, value))
            return false;
        if (value.find(L"?>") != std::wstring_view::npos)
            return false;
        BeginLine(depth, inlineLayout);
        out_ += "<?";
        if (!AppendUtf8(out_, ViewOf(target)))
            return false;
        if (!value.empty()) {
            out_ += ' ';
            if (!AppendUtf8(out_, value))
                return false;
        }
        out_ += "?>";
        EndLine(inlineLayout);
        return true;
    }

    struct Child {
        IXMLDOMNode* node;
        DOMNodeType type;
    };

    // One element's children on the shared stack: from the mark taken at
    // construction to the end; released and popped when the scope ends.
    class ChildrenScope {
    public:
        explicit ChildrenScope(std::vector<Child>& stack) : stack_(stack), first_(stack.size()) {}
        ~ChildrenScope()
        {
            for (size_t i = first_; i < stack_.size(); ++i)
                stack_[i].node->Release();
            stack_.resize(first_);
        }
        ChildrenScope(const ChildrenScope&) = delete;
        ChildrenScope& operator=(const ChildrenScope&) = delete;

        size_t First() const { return first_; }
        bool Empty() const { return stack_.size() == first_; }

    private:
        std::vector<Child>& stack_;
        size_t first_;
    };

    std::string& out_;
    const AddedTextElements* added_;
    // Set while the root's last child is handed to WriteElement.
    bool receivesAdded_ = false;
    bool addedWritten_ = false;
    NamespaceScopes namespaces_;
    // The children of the elements being written, each read once, the
    // innermost element's last, so no element needs a list of its own.
    std::vector<Child> children_;
    // The attributes of the element being opened, and where the bindings
    // that its start tag must add begin.
    std::vector<Attribute> attributes_;
    size_t declaredEnd_ = 0;
};

} // namespace

bool SerializeIndented(IXMLDOMNode* document, const std::wstring& encoding, std::string& out)
{
    return SerializeIndented(document, encoding, AddedTextElements(), out);
}

bool SerializeIndented(IXMLDOMNode* document, const std::wstring& encoding, const AddedTextElements& added,
                       std::string& out)
{
    out.clear();
    if (!document || !IsUtf8EncodingName(encoding))
        return false;
    return IndentedSerializer(out, added.groups.empty() ? nullptr : &added).WriteDocument(document, encoding);
}

} // namespace internal
} // namespace qz_xml
