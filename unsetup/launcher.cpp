#include "unsetup/launcher.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "packsetup/copy_handle_to_file.h"
#include "unsetup/confirm_dialog.h"
#include "unsetup/core_event.h"
#include "unsetup/launcher_binding.h"
#include "unsetup/own_executable.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"
#include "unsetup/uninstaller_definition.h"
#include "unsetup/working_folder.h"

namespace {

const wchar_t kCoreFileName[] = L"tavrelunsetup.bin";
const DWORD kCoreReleaseTimeoutMs = 180000;

void ReportError(const UninstallerSettings& settings, UINT textId)
{
    ShowMessageBox(nullptr, LoadText(textId), settings.caption, MB_OK | MB_ICONERROR);
}

// Starts the core from the working folder, which is also its current
// folder; true when it runs. The core inherits a handle to this process and
// finds its value after the designed "/u<flag>,<id>", by which it knows
// that this launcher started it.
bool StartCore(const std::wstring& folder, const std::wstring& corePath, bool deleteUserData)
{
    ScopedHandle self = InheritableOwnProcess();
    if (!self)
        return false;
    wchar_t switches[48];
    wsprintfW(switches, L"/u%d,%d,%u", deleteUserData ? 1 : 0, static_cast<int>(GetCurrentProcessId()),
              static_cast<unsigned>(reinterpret_cast<ULONG_PTR>(self.get())));
    std::wstring commandLine = L"\"" + corePath + L"\" " + switches;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(corePath.c_str(), &commandLine[0], nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                        nullptr, folder.c_str(), &startup, &started))
        return false;
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    return true;
}

} // namespace

void RunLauncher(UninstallerSettings& settings)
{
    // Held until the launcher ends; the core is copied from this handle.
    ScopedHandle self = HoldOwnExecutable();
    if (!LoadUninstallerDefinition(settings, false)) {
        ShowMessageBox(nullptr, LoadText(IDS_DEFINITION_LOAD_FAILED), kFallbackCaption, MB_OK | MB_ICONERROR);
        return;
    }
    if (FindWindowW(L"Tavrel_MainWindow", nullptr)) {
        ReportError(settings, IDS_QUIT_PROGRAM_FIRST);
        return;
    }
    // Without its own program held there is nothing to copy the core from:
    // said before the user is asked, not after.
    if (!self) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }
    if (ShowConfirmDialog(settings) != IDYES)
        return;
    // Made before anything is copied: a name that someone else holds ends
    // the launcher with nothing done.
    ScopedHandle coreEvent = CreateCoreEvent();
    if (!coreEvent) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }

    // The copies go into a fresh folder that only administrators can
    // change, never over a file that is already there.
    WorkingFolder folder;
    std::wstring core;
    if (!folder.Create() || !folder.PathOf(kCoreFileName, core) || !CopyHandleToFile(self.get(), core, CREATE_NEW, nullptr, nullptr)) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }
    // Without its definition the core could only report that it cannot read it.
    std::wstring definition;
    std::wstring coreDefinition;
    if (!GetOwnFolderFilePath(LoadText(IDS_DEFINITION_NAME), definition)
        || !folder.PathOf(LoadText(IDS_TEMPORARY_DEFINITION_NAME), coreDefinition)
        || !CopyFileW(definition.c_str(), coreDefinition.c_str(), TRUE)) {
        ShowMessageBox(nullptr, LoadText(IDS_DEFINITION_LOAD_FAILED), kFallbackCaption, MB_OK | MB_ICONERROR);
        return;
    }

    if (!StartCore(folder.Path(), core, settings.deleteUserData)) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }
    folder.Keep();
    WaitForSingleObject(coreEvent.get(), kCoreReleaseTimeoutMs);
}
