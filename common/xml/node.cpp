#include "common/xml/qz_xml.h"

#include "common/xml/com_scoped.h"

namespace qz_xml {

using internal::ScopedBstr;
using internal::WrapCallResult;

QXMLNode QXMLNode::SelectSingleNode(const std::wstring& path)
{
    ScopedBstr query(path);
    if (!IsValid())
        return QXMLNode();
    IXMLDOMNode* found = nullptr;
    HRESULT hr = GetInterface()->selectSingleNode(query.get(), &found);
    SetLastResult(hr);
    return WrapCallResult<QXMLNode>(hr, found);
}

QXMLNodeList QXMLNode::SelectNodes(const std::wstring& path)
{
    ScopedBstr query(path);
    if (!IsValid())
        return QXMLNodeList();
    IXMLDOMNodeList* found = nullptr;
    HRESULT hr = GetInterface()->selectNodes(query.get(), &found);
    SetLastResult(hr);
    return WrapCallResult<QXMLNodeList>(hr, found);
}

std::wstring QXMLNode::GetText()
{
    if (!IsValid())
        return std::wstring();
    ScopedBstr text;
    HRESULT hr = GetInterface()->get_text(text.Receive());
    SetLastResult(hr);
    if (FAILED(hr) || !text.get())
        return std::wstring();
    // Up to the first NUL, as a C string would read it.
    return std::wstring(text.get());
}

std::wstring QXMLNode::GetNodeName()
{
    if (!IsValid())
        return std::wstring();
    ScopedBstr name;
    HRESULT hr = GetInterface()->get_nodeName(name.Receive());
    SetLastResult(hr);
    if (FAILED(hr) || !name.get())
        return std::wstring();
    return std::wstring(name.get());
}

QXMLNode QXMLNode::AppendChild(IXMLDOMNode* child)
{
    if (!IsValid())
        return QXMLNode();
    IXMLDOMNode* appended = nullptr;
    HRESULT hr = GetInterface()->appendChild(child, &appended);
    SetLastResult(hr);
    return WrapCallResult<QXMLNode>(hr, appended);
}

QXMLNode QXMLNode::RemoveChild(IXMLDOMNode* child)
{
    if (!IsValid())
        return QXMLNode();
    IXMLDOMNode* removed = nullptr;
    HRESULT hr = GetInterface()->removeChild(child, &removed);
    SetLastResult(hr);
    return WrapCallResult<QXMLNode>(hr, removed);
}

} // namespace qz_xml
