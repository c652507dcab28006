#include "common/xml/namespace_scopes.h"

namespace qz_xml {
namespace internal {

const wchar_t kXmlNamespaceUri[] = L"http://www.w3.org/XML/1998/namespace";

namespace {

const std::wstring kNoNamespace;
const std::wstring kXmlNamespace(kXmlNamespaceUri);

} // namespace

const std::wstring* NamespaceScopes::Lookup(std::wstring_view prefix) const
{
    for (size_t i = bindings_.size(); i-- > 0;) {
        if (bindings_[i].first == prefix)
            return &bindings_[i].second;
    }
    if (prefix.empty())
        return &kNoNamespace;
    if (prefix == L"xml")
        return &kXmlNamespace;
    return nullptr;
}

bool NamespaceScopes::BoundSince(size_t mark, std::wstring_view prefix) const
{
    for (size_t i = mark; i < bindings_.size(); ++i) {
        if (bindings_[i].first == prefix)
            return true;
    }
    return false;
}

} // namespace internal
} // namespace qz_xml
