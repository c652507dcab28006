#include "common/xml/dom_base.h"

#include <new>

namespace qz_xml {
namespace internal {

boost::shared_ptr<QXMLInterfacePtr> MakeInterfaceHolder(IUnknown* pointer)
{
    if (!pointer)
        return boost::shared_ptr<QXMLInterfacePtr>();
    QXMLInterfacePtr* holder = new (std::nothrow) QXMLInterfacePtr(pointer);
    if (!holder) {
        pointer->Release();
        throw std::bad_alloc();
    }
    // shared_ptr deletes the holder, and so releases the pointer, if it
    // cannot allocate its count.
    return boost::shared_ptr<QXMLInterfacePtr>(holder);
}

} // namespace internal
} // namespace qz_xml
