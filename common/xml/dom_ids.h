#pragma once

#include <windows.h>

namespace qz_xml {
namespace internal {

// The DOM document class and interface the layer creates. Defined here rather
// than taken from the toolchain's headers, which map CLSID_DOMDocument to
// another class.
extern const CLSID kClsidDomDocument;
extern const IID kIidXmlDomDocument;

} // namespace internal
} // namespace qz_xml
