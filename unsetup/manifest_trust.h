#pragma once

#include <windows.h>

#include <string>

#include "common/xml/qz_xml.h"

class FolderBounds;

// The core runs elevated and removes what the uninstall manifest lists. The
// manifest is trusted only when it says that Tavrel! was installed for all
// users and nobody but Administrators, SYSTEM and TrustedInstaller can
// change, rename or re-permit it or the folder that holds it. Any other
// manifest may have been written by the user (it is theirs for a per-user
// installation), so what it lists is removed only within the bounds of
// BoundUntrustedManifest.

// Loads the manifest and tells whether it is trusted. The file and its folder
// are opened without links; who may change them is read from those handles,
// and the manifest is read through the same file handle, so that what is
// judged is what is loaded. False when it cannot be opened so or loaded.
bool LoadUninstallManifest(qz_xml::QXMLDocument& manifest, const std::wstring& path, bool& trusted);

// Whether an owner and DACL leave the object to Administrators, SYSTEM and
// TrustedInstaller: one of them owns it, no entry that applies to the object
// lets anyone else write, delete, rename or re-permit it, and no entry hands
// such a right down to Users, Authenticated Users, Everyone, INTERACTIVE or
// the given user. A missing owner or DACL, or an entry of a kind that cannot
// be judged, leaves it open.
bool IsChangeableOnlyByAdministrators(PSECURITY_DESCRIPTOR descriptor, PSID user);

// What an untrusted manifest may still remove: everything below the
// installation folder (the launcher's folder), below the user's profile
// folder when the installation lies in it, and the levels above the
// installation folder themselves, which a manifest lists so that they go when
// they are left empty. A folder that cannot be opened adds nothing.
void BoundUntrustedManifest(FolderBounds& bounds, const std::wstring& installationFolder,
                            const std::wstring& profileFolder);
