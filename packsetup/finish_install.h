#pragma once

#include <windows.h>

#include <string>

// Window message that a core instance posts to its launcher's window when it
// hands the installation back instead of performing it.
const UINT kHandBackMessage = WM_APP + 0x65;

// Installs the package into the folder, then asks whether to start Tavrel!
// (and starts it) or says that the setup was cancelled. With an owner window
// (a launcher's), the boxes are owned by it, it is enabled again and it gets
// WM_COMMAND with IDCANCEL at the end, after a failure as well.
void FinishInstall(const std::wstring& installFolder, HWND owner, bool perUser);

// What a launcher's window (may be null) gets when the core's installation
// has ended, whether it ran or not: enabled again, then WM_COMMAND with
// IDCANCEL.
void TellOwnerInstallEnded(HWND owner);
