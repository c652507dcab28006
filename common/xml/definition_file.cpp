#include "common/xml/definition_file.h"

#include <windows.h>

#include "common/win/message_box.h"

namespace qz_xml {

bool LoadDefinitionRoot(const std::wstring& path, const std::wstring& rootPath,
                        QXMLDocument& document, QXMLNode& root)
{
    if (!document.Create() || !document.Load(path))
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
