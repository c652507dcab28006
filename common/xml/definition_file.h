#pragma once

#include <string>

#include "common/xml/qz_xml.h"

// Reading of the small definition files that lie beside both programs.
namespace qz_xml {

// Loads a definition file and selects its root element by an absolute path.
// False, without a message, when the file cannot be loaded or has no such root.
bool LoadDefinitionRoot(const std::wstring& path, const std::wstring& rootPath,
                        QXMLDocument& document, QXMLNode& root);
// The same for the bytes of a definition file held in memory.
bool LoadDefinitionRoot(const std::string& content, const std::wstring& rootPath, QXMLDocument& document,
                        QXMLNode& root);

// The text of a required child element of the root. An absent or empty one is
// reported by name ("XML Node not found: <name>") under the given title, and
// the result is false.
bool ReadRequiredElement(QXMLNode& root, const std::wstring& name, const std::wstring& title,
                         std::wstring& text);

} // namespace qz_xml
