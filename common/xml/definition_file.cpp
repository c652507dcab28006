#include "common/xml/definition_file.h"

#include <windows.h>
#include <objbase.h>

#include "common/win/message_box.h"
#include "common/xml/com_scoped.h"

namespace qz_xml {

bool LoadDefinitionRoot(const std::wstring& path, const std::wstring& rootPath,
                        QXMLDocument& document, QXMLNode& root)
{
    if (!document.Create() || !document.Load(path))
        return false;
    root = document.SelectSingleNode(rootPath);
    return root.IsValid();
}

bool LoadDefinitionRoot(const std::string& content, const std::wstring& rootPath, QXMLDocument& document,
                        QXMLNode& root)
{
    internal::ScopedInterface<IStream> stream;
    ULONG written = 0;
    LARGE_INTEGER start = {};
    if (content.size() > MAXDWORD || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.Receive()))
        || FAILED(stream->Write(content.data(), static_cast<ULONG>(content.size()), &written))
        || written != content.size() || FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr)))
        return false;
    if (!document.Create() || !document.Load(stream.get()))
        return false;
    root = document.SelectSingleNode(rootPath);
    return root.IsValid();
}

bool ReadRequiredElement(QXMLNode& root, const std::wstring& name, const std::wstring& title,
                         std::wstring& text)
{
    text = root.SelectSingleNode(L"./" + name).GetText();
    if (!text.empty())
        return true;
    ShowMessageBox(nullptr, L"XML Node not found: <" + name + L">", title, MB_ICONERROR);
    return false;
}

} // namespace qz_xml
