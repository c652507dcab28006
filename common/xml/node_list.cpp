#include "common/xml/qz_xml.h"

namespace qz_xml {

QXMLNode QXMLNodeList::GetItem(long index)
{
    if (!IsValid())
        return QXMLNode();
    IXMLDOMNode* item = nullptr;
    HRESULT hr = GetInterface()->get_item(index, &item);
    SetLastResult(hr);
    return internal::WrapCallResult<QXMLNode>(hr, item);
}

long QXMLNodeList::QueryLength()
{
    if (!IsValid())
        return 0;
    long length = 0;
    HRESULT hr = GetInterface()->get_length(&length);
    SetLastResult(hr);
    return SUCCEEDED(hr) ? length : 0;
}

QXMLNodeList::Iterator QXMLNodeList::begin()
{
    return Iterator(this, 0, QueryLength());
}

QXMLNodeList::Iterator QXMLNodeList::end()
{
    long length = QueryLength();
    return Iterator(this, length, length);
}

QXMLNode& QXMLNodeList::Iterator::operator*()
{
    current_ = list_->GetItem(index_);
    return current_;
}

QXMLNodeList::Iterator& QXMLNodeList::Iterator::operator++()
{
    if (index_ < length_)
        ++index_;
    return *this;
}

} // namespace qz_xml
