#include "support/definition_file.h"

#include "support/utf8.h"
#include "uiauto/scoped.h"

#include <windows.h>

namespace e2e {

namespace {

std::wstring EscapeXml(const std::wstring& text)
{
    std::wstring escaped;
    for (wchar_t c : text) {
        switch (c) {
        case L'&': escaped += L"&amp;"; break;
        case L'<': escaped += L"&lt;"; break;
        case L'>': escaped += L"&gt;"; break;
        default: escaped.push_back(c);
        }
    }
    return escaped;
}

} // namespace

std::string DefinitionXml(const std::vector<DefinitionElement>& elements, const std::wstring& rootName)
{
    std::wstring xml = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<" + rootName + L">\r\n";
    for (const DefinitionElement& element : elements)
        xml += L"  <" + element.name + L">" + EscapeXml(element.value) + L"</" + element.name + L">\r\n";
    xml += L"</" + rootName + L">\r\n";
    return ToUtf8(xml);
}

std::string ValidDefinitionXml(const std::wstring& caption)
{
    return DefinitionXml({{L"Caption", caption}, {L"BaseRegKey", L"Tavrel!"}, {L"SfxExtractPath", L"E2EPackage"}});
}

std::wstring DefinitionPathFor(const std::wstring& programPath)
{
    size_t slash = programPath.find_last_of(L"\\/");
    size_t dot = programPath.rfind(L'.');
    if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash))
        return programPath + L".def";
    return programPath.substr(0, dot) + L".def";
}

bool WriteDefinition(const std::wstring& programPath, const std::string& utf8Text)
{
    return WriteFileBytes(DefinitionPathFor(programPath), utf8Text);
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    uiauto::ScopedHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    DWORD written = 0;
    return WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

} // namespace e2e
