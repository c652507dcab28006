#pragma once

#include "common/xml/qz_xml.h"
#include "unsetup/work_lists.h"

// Whether Tavrel! was installed for the current user only: the manifest's
// Options/CurrentUser read as a decimal integer (leading blanks, a sign,
// then digits) is not 0. Missing or not numeric: all users.
bool IsCurrentUserMode(qz_xml::QXMLDocument& manifest);

// The manifest's Components/File entries as files and Components/Directory
// entries as folders, in document order, each of manifest origin.
void AddManifestItems(UninstallWorkLists& lists, qz_xml::QXMLDocument& manifest);
