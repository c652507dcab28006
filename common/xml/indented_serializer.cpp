#include "common/xml/indented_serializer.h"

#include <string_view>

#include "common/xml/com_scoped.h"
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
// attribute node, embedded NULs included.
bool GetNodeValue(IXMLDOMNode* node, std::wstring& value)
{
    ScopedVariant variant;
    if (FAILED(node->get_nodeValue(&variant.get())))
        return false;
    if (V_VT(&variant.get()) == VT_NULL || V_VT(&variant.get()) == VT_EMPTY) {
        value.clear();
        return true;
    }
    if (V_VT(&variant.get()) != VT_BSTR)
        return false;
    BSTR text = V_BSTR(&variant.get());
    value.assign(text ? text : L"", SysStringLen(text));
    return true;
}

bool GetNodeType(IXMLDOMNode* node, DOMNodeType& type)
{
    return SUCCEEDED(node->get_nodeType(&type));
}

// Calls visit for each child in order; false when a call fails or visit does.
template <typename Visit>
bool ForEachChild(IXMLDOMNode* parent, Visit visit)
{
    ScopedInterface<IXMLDOMNode> child;
    if (FAILED(parent->get_firstChild(child.Receive())))
        return false;
    while (child) {
        if (!visit(child.get()))
            return false;
        ScopedInterface<IXMLDOMNode> next;
        if (FAILED(child->get_nextSibling(next.Receive())))
            return false;
        child.Reset(next.Detach());
    }
    return true;
}

class IndentedSerializer {
public:
    explicit IndentedSerializer(std::string& out) : out_(out) {}

    bool WriteDocument(IXMLDOMNode* document, std::wstring_view encoding)
    {
        out_ += "<?xml version=\"1.0\" encoding=\"";
        if (!AppendUtf8(out_, encoding))
            return false;
        out_ += "\" standalone=\"yes\"?>";
        out_ += kLineEnd;
        bool hasRoot = false;
        bool written = ForEachChild(document, [&](IXMLDOMNode* child) {
            DOMNodeType type;
            if (!GetNodeType(child, type))
                return false;
            if (type == NODE_ELEMENT)
                hasRoot = true;
            // The loaded declaration is replaced by the one written above.
            if (type == NODE_PROCESSING_INSTRUCTION && IsXmlDeclaration(child))
                return true;
            return WriteNode(child, 0, false);
        });
        return written && hasRoot;
    }

private:
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

    bool WriteNode(IXMLDOMNode* node, int depth, bool inlineLayout)
    {
        DOMNodeType type;
        if (!GetNodeType(node, type))
            return false;
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
        default:
            // Document types and entity references: nothing here writes them
            // back faithfully, so saving refuses rather than change the content.
            return false;
        }
    }

    // True when the element holds character data, which must not receive
    // layout white space.
    static bool HoldsCharacterData(IXMLDOMNode* element, bool& holds)
    {
        holds = false;
        return ForEachChild(element, [&](IXMLDOMNode* child) {
            DOMNodeType type;
            if (!GetNodeType(child, type))
                return false;
            if (type == NODE_TEXT || type == NODE_CDATA_SECTION)
                holds = true;
            return true;
        });
    }

    bool WriteElement(IXMLDOMNode* element, int depth, bool inlineLayout)
    {
        ScopedBstr name;
        std::string utf8Name;
        if (!GetNodeName(element, name) || !AppendUtf8(utf8Name, ViewOf(name)))
            return false;
        BeginLine(depth, inlineLayout);
        out_ += '<';
        out_ += utf8Name;
        if (!WriteAttributes(element))
            return false;

        ScopedInterface<IXMLDOMNode> firstChild;
        if (FAILED(element->get_firstChild(firstChild.Receive())))
            return false;
        if (!firstChild) {
            out_ += "/>";
            EndLine(inlineLayout);
            return true;
        }

        bool holdsCharacterData = false;
        if (!HoldsCharacterData(element, holdsCharacterData))
            return false;
        bool contentInline = inlineLayout || holdsCharacterData;
        out_ += '>';
        EndLine(contentInline);
        bool written = ForEachChild(element, [&](IXMLDOMNode* child) {
            return WriteNode(child, depth + 1, contentInline);
        });
        if (!written)
            return false;
        BeginLine(depth, contentInline);
        out_ += "</";
        out_ += utf8Name;
        out_ += '>';
        EndLine(inlineLayout);
        return true;
    }

    bool WriteAttributes(IXMLDOMNode* element)
    {
        ScopedInterface<IXMLDOMNamedNodeMap> attributes;
        if (FAILED(element->get_attributes(attributes.Receive())))
            return false;
        if (!attributes)
            return true;
        long count = 0;
        if (FAILED(attributes->get_length(&count)))
            return false;
        for (long i = 0; i < count; ++i) {
            ScopedInterface<IXMLDOMNode> attribute;
            if (FAILED(attributes->get_item(i, attribute.Receive())) || !attribute)
                return false;
            ScopedBstr name;
            std::wstring value;
            if (!GetNodeName(attribute.get(), name) || !GetNodeValue(attribute.get(), value))
                return false;
            out_ += ' ';
            if (!AppendUtf8(out_, ViewOf(name)))
                return false;
            out_ += "=\"";
            if (!AppendEscapedAttributeValue(out_, value))
                return false;
            out_ += '"';
        }
        return true;
    }

    bool WriteText(IXMLDOMNode* text)
    {
        std::wstring value;
        return GetNodeValue(text, value) && AppendEscapedText(out_, value);
    }

    bool WriteCData(IXMLDOMNode* section)
    {
        std::wstring value;
        return GetNodeValue(section, value) && AppendCDataSection(out_, value);
    }

    bool WriteComment(IXMLDOMNode* comment, int depth, bool inlineLayout)
    {
        std::wstring value;
        if (!GetNodeValue(comment, value))
            return false;
        // "--" inside, or "-" at the end, would end the comment early.
        if (value.find(L"--") != std::wstring::npos || (!value.empty() && value.back() == L'-'))
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
        std::wstring value;
        if (!GetNodeName(instruction, target) || !GetNodeValue(instruction, value))
            return false;
        if (value.find(L"?>") != std::wstring::npos)
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

    std::string& out_;
};

} // namespace

bool SerializeIndented(IXMLDOMNode* document, const std::wstring& encoding, std::string& out)
{
    out.clear();
    if (!document || !IsUtf8EncodingName(encoding))
        return false;
    return IndentedSerializer(out).WriteDocument(document, encoding);
}

} // namespace internal
} // namespace qz_xml
