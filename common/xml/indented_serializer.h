#pragma once

#include <windows.h>
#include <msxml2.h>

#include <string>
#include <vector>

namespace qz_xml {
namespace internal {

// Lays a DOM document out as indented UTF-8 XML: the declaration
// <?xml version="1.0" encoding="<encoding>" standalone="yes"?>, then one
// element, comment or processing instruction per line, indented by one tab
// per depth, CRLF line ends. An element that holds text or CDATA is written
// on one line with its content exactly as it stands, so no layout white space
// enters its text (mixed content keeps every character). Each element and
// attribute keeps its namespace: the declarations it carries are written, and
// one is added wherever a node made or moved in the tree needs it. A document
// type is left out and an entity reference written as its text.
// False when the encoding is not UTF-8, the document has no root element, or
// a node cannot be written as well-formed XML that loads to the same content
// ("--" in a comment, "?>" in an instruction's data, a character XML 1.0
// cannot carry, a namespace that no declaration can give its node).
bool SerializeIndented(IXMLDOMNode* document, const std::wstring& encoding, std::string& out);

// Elements written as the last children of the root's last child, which must
// be an element of the given name, as if the DOM held them there: for each
// group in turn, one element per text, named by the group's tag, in no
// namespace, holding the text (none for an empty one). Writing them from the
// lists takes a fraction of the time that building them in the DOM and
// walking them again would.
struct AddedTextElements {
    struct Group {
        std::wstring tag;
        const std::vector<std::wstring>* texts;
    };
    std::wstring parentName;
    std::vector<Group> groups;
};
bool SerializeIndented(IXMLDOMNode* document, const std::wstring& encoding, const AddedTextElements& added,
                       std::string& out);

} // namespace internal
} // namespace qz_xml
