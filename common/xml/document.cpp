#include "common/xml/qz_xml.h"

#include <new>
#include <string>

#include "common/xml/com_scoped.h"
#include "common/xml/dom_ids.h"
#include "common/xml/indented_serializer.h"
#include "common/xml/replace_file.h"

namespace qz_xml {

using internal::ScopedBstr;
using internal::ScopedVariant;
using internal::WrapCallResult;

bool QXMLDocument::Create()
{
    // In this process only: a registration of the class as a local server,
    // which a user may have made, would hand our documents to another program.
    IXMLDOMDocument* document = nullptr;
    HRESULT hr = CoCreateInstance(internal::kClsidDomDocument, nullptr, CLSCTX_INPROC_SERVER,
                                  internal::kIidXmlDomDocument, reinterpret_cast<void**>(&document));
    if (FAILED(hr) || !document)
        return false;
    Attach(document);
    if (IsValid())
        SetLastResult(GetTypedInterface()->put_async(VARIANT_FALSE));
    return true;
}

bool QXMLDocument::DisableAsync()
{
    if (!IsValid())
        return false;
    HRESULT hr = GetTypedInterface()->put_async(VARIANT_FALSE);
    SetLastResult(hr);
    return SUCCEEDED(hr);
}

bool QXMLDocument::Load(const std::wstring& path)
{
    ScopedVariant source;
    BSTR pathString = SysAllocString(path.c_str());
    if (!pathString)
        ATL::AtlThrow(E_OUTOFMEMORY);
    V_VT(&source.get()) = VT_BSTR;
    V_BSTR(&source.get()) = pathString;
    return LoadFrom(source.get());
}

bool QXMLDocument::Load(IStream* stream)
{
    if (!stream)
        return false;
    ScopedVariant source;
    stream->AddRef();
    V_VT(&source.get()) = VT_UNKNOWN;
    V_UNKNOWN(&source.get()) = stream;
    return LoadFrom(source.get());
}

bool QXMLDocument::LoadFrom(const VARIANT& source)
{
    ScopedVariant argument;
    HRESULT copied = VariantCopy(&argument.get(), const_cast<VARIANT*>(&source));
    if (FAILED(copied))
        ATL::AtlThrow(copied);

    if (!IsValid())
        return false;
    // The files we read may come from folders the user can write while we
    // run elevated: an entity naming another file must never pull that file
    // in. A DOM that cannot be told so loads nothing.
    HRESULT hr = GetTypedInterface()->put_resolveExternals(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = GetTypedInterface()->put_validateOnParse(VARIANT_FALSE);
    if (FAILED(hr)) {
        SetLastResult(hr);
        return false;
    }
    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = GetTypedInterface()->load(argument.get(), &loaded);
    SetLastResult(hr);
    return SUCCEEDED(hr) && loaded != VARIANT_FALSE;
}

bool QXMLDocument::LoadXml(const std::wstring& markup)
{
    ScopedBstr text(markup);
    if (!IsValid())
        return false;
    HRESULT hr = GetTypedInterface()->put_resolveExternals(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = GetTypedInterface()->put_validateOnParse(VARIANT_FALSE);
    if (SUCCEEDED(hr))
        hr = GetTypedInterface()->put_preserveWhiteSpace(VARIANT_TRUE);
    if (FAILED(hr)) {
        SetLastResult(hr);
        return false;
    }
    VARIANT_BOOL loaded = VARIANT_FALSE;
    hr = GetTypedInterface()->loadXML(text.get(), &loaded);
    SetLastResult(hr);
    return SUCCEEDED(hr) && loaded != VARIANT_FALSE;
}

bool QXMLDocument::GetParseError(long& line, long& column, std::wstring& reason) const
{
    line = 0;
    column = 0;
    reason.clear();
    if (!IsValid())
        return false;
    internal::ScopedInterface<IXMLDOMParseError> error;
    if (FAILED(GetTypedInterface()->get_parseError(error.Receive())) || !error)
        return false;
    long errorCode = 0;
    if (FAILED(error->get_errorCode(&errorCode)) || errorCode == 0)
        return false;
    if (FAILED(error->get_line(&line)))
        line = 0;
    if (FAILED(error->get_linepos(&column)))
        column = 0;
    ScopedBstr text;
    if (SUCCEEDED(error->get_reason(text.Receive())) && text.get())
        reason = text.get();
    // The parser's reasons end in a line break.
    while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' '))
        reason.pop_back();
    return true;
}

QXMLElement QXMLDocument::CreateElement(const std::wstring& tagName)
{
    ScopedBstr name(tagName);
    if (!IsValid())
        return QXMLElement();
    IXMLDOMElement* element = nullptr;
    HRESULT hr = GetTypedInterface()->createElement(name.get(), &element);
    SetLastResult(hr);
    return WrapCallResult<QXMLElement>(hr, element);
}

QXMLText QXMLDocument::CreateTextNode(const std::wstring& text)
{
    ScopedBstr data(text);
    if (!IsValid())
        return QXMLText();
    IXMLDOMText* node = nullptr;
    HRESULT hr = GetTypedInterface()->createTextNode(data.get(), &node);
    SetLastResult(hr);
    return WrapCallResult<QXMLText>(hr, node);
}

bool QXMLDocument::SaveIndented(const std::wstring& path, const std::wstring& encoding,
                                const internal::AddedTextElements& added) const
{
    if (!IsValid())
        return false;
    try {
        std::string bytes;
        if (!internal::SerializeIndented(GetInterface(), encoding, added, bytes))
            return false;
        return internal::ReplaceFileContents(path, bytes);
    } catch (const std::bad_alloc&) {
        // Saving reports every failure as false; the old file is kept.
        return false;
    }
}

bool QXMLDocument::SaveIndented(const std::wstring& path, const std::wstring& encoding) const
{
    return SaveIndented(path, encoding, internal::AddedTextElements());
}

} // namespace qz_xml
