#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qz_xml {
namespace internal {

// The namespace bindings in scope while a tree is written: one stack of
// prefix/URI pairs, where an element's scope is everything bound since the
// mark taken at its start. A lookup walks only the bindings of the elements
// around the current one, so the cost does not grow with the document.
class NamespaceScopes {
public:
    size_t Mark() const { return bindings_.size(); }
    void Restore(size_t mark) { bindings_.resize(mark); }

    void Bind(std::wstring_view prefix, std::wstring_view uri) { bindings_.emplace_back(prefix, uri); }

    // The URI that the prefix stands for, the innermost binding first; null
    // for an unbound prefix. The empty prefix (the default namespace) is
    // bound to no namespace until declared, "xml" always to its own URI.
    const std::wstring* Lookup(std::wstring_view prefix) const;

    // True when the prefix was bound since the mark.
    bool BoundSince(size_t mark, std::wstring_view prefix) const;

    const std::pair<std::wstring, std::wstring>& At(size_t index) const { return bindings_[index]; }

private:
    std::vector<std::pair<std::wstring, std::wstring>> bindings_;
};

// The URI that the prefix "xml" is bound to without a declaration.
extern const wchar_t kXmlNamespaceUri[];

} // namespace internal
} // namespace qz_xml
