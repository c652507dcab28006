#pragma once

#include <windows.h>

#include <string>

#include "common/xml/qz_xml.h"

// What one run of unsetup knows, from start-up to exit.
struct UninstallerSettings {
    HINSTANCE instance = nullptr;
    // Title of the message boxes and of the confirmation dialog.
    std::wstring caption;
    // The uninstall manifest: loaded on the main thread before the worker
    // starts, read only by the worker while it runs.
    qz_xml::QXMLDocument manifest;
    // Whether what the manifest lists may be removed wherever it lies, set
    // with the load (LoadUninstallManifest).
    bool manifestTrusted = false;
    bool deleteUserData = false;
    bool testEdition = false;
    // Registry paths relative to a hive.
    std::wstring baseRegKey;      // "Software\Halvest\<BaseRegKey>"
    std::wstring uninstallRegKey; // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<name>"
    // Below an application-data folder, without leading or trailing backslash.
    std::wstring appDataPath;     // "Halvest\<AppDataPath>"
};

// The one record of this process.
UninstallerSettings& Uninstaller();
