#include "unsetup/manifest_items.h"

#include <cwctype>

bool IsCurrentUserMode(qz_xml::QXMLDocument& manifest)
{
    std::wstring text = manifest.SelectSingleNode(L"/TavrelUninstall/Options/CurrentUser").GetText();
    const wchar_t* digit = text.c_str();
    while (std::iswspace(*digit))
        ++digit;
    if (*digit == L'+' || *digit == L'-')
        ++digit;
    // The value is not 0 exactly when one of its digits is not, whatever its size.
    for (; *digit >= L'0' && *digit <= L'9'; ++digit) {
        if (*digit != L'0')
            return true;
    }
    return false;
}

void AddManifestItems(UninstallWorkLists& lists, qz_xml::QXMLDocument& manifest)
{
    qz_xml::QXMLNodeList files = manifest.SelectNodes(L"/TavrelUninstall/Components/File");
    if (files.IsValid()) {
        for (auto it = files.begin(); it != files.end(); ++it)
            lists.AddFile((*it).GetText(), UninstallWorkLists::Origin::Manifest);
    }
    qz_xml::QXMLNodeList folders = manifest.SelectNodes(L"/TavrelUninstall/Components/Directory");
    if (folders.IsValid()) {
        for (auto it = folders.begin(); it != folders.end(); ++it)
            lists.AddFolder((*it).GetText(), UninstallWorkLists::Origin::Manifest);
    }
}
