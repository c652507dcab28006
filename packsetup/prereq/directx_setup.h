#pragma once

// The DirectX setup: loads dsetup.dll from the package's "directx" folder,
// has it show its end-user agreement and runs its install entry point on a
// worker thread behind a progress dialog.
#include <windows.h>

#include <string>

// The components installed: the DirectX core with display and sound drivers.
const DWORD kDirectXSetupFlags = 0x10018;

// The setup library that the "directx" folder must hold.
const wchar_t kDirectXSetupLibrary[] = L"dsetup.dll";
// Its two entry points that the setup binds by name; both must be there.
const char kDirectXShowEulaEntry[] = "DirectXSetupShowEULA";
const char kDirectXSetupEntry[] = "DirectXSetupW";

// Runs the setup from the "directx" folder beside the running program, with
// its boxes and dialog owned by the owner window (may be null). True when
// DirectX is installed; restartNeeded then tells whether Windows must be
// restarted. On failure the reason is the text to show, empty for a result
// code without one. The caller clears both before the call.
bool RunDirectXSetup(HWND owner, std::wstring& reason, bool& restartNeeded);

// The same with the folder that holds dsetup.dll and the redistributable.
bool RunDirectXSetupFrom(const std::wstring& sourceFolder, HWND owner, std::wstring& reason, bool& restartNeeded);

// The string id that explains a DirectXSetupW result code, 0 when the code
// has none (success included).
UINT DirectXReasonId(int code);
