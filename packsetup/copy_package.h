#pragma once

#include <windows.h>
#include <shobjidl.h>

#include <string>

class FolderScanner;

// Copies every listed entry to the same place below the installation folder,
// in list order, behind the progress dialog and the taskbar progress (the
// taskbar list may be null). Every file copied and every folder entered or
// listed goes into installedFiles and installedFolders; a folder of the
// package that holds no file is recorded but not created. Each file is read
// from the package without following links (CopyFileWithRetry). Between two
// entries a cancel request is put to the user. True when every entry was
// handled; false when the user cancelled or gave up a file, or a folder
// level could not be entered or a source was refused (no message for
// those).
bool CopyPackageEntries(const FolderScanner& scanner, const std::wstring& installFolder, HWND progressDialog,
                        HWND taskbarWindow, ITaskbarList3* taskbarList);
