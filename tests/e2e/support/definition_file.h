#pragma once

#include <string>
#include <vector>

namespace e2e {

struct DefinitionElement {
    std::wstring name;
    std::wstring value; // text content, escaped on writing
};

// UTF-8 XML text: declaration, then the root element holding one child per
// entry in the given order.
std::string DefinitionXml(const std::vector<DefinitionElement>& elements,
                          const std::wstring& rootName = L"TavrelSetup");

// A complete definition with the three required elements.
std::string ValidDefinitionXml(const std::wstring& caption);

// "<folder>\<program name>.def" for a program path.
std::wstring DefinitionPathFor(const std::wstring& programPath);

// Writes the text (already UTF-8) as the definition beside the program.
bool WriteDefinition(const std::wstring& programPath, const std::string& utf8Text);

bool WriteFileBytes(const std::wstring& path, const std::string& bytes);

} // namespace e2e
