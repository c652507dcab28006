#include "unsetup/launcher.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "unsetup/confirm_dialog.h"
#include "unsetup/core_event.h"
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
// folder; true when it runs.
bool StartCore(const std::wstring& folder, const std::wstring& corePath, bool deleteUserData)
{
    wchar_t switches[32];
    wsprintfW(switches, L"/u%d,%d", deleteUserData ? 1 : 0, static_cast<int>(GetCurrentProcessId()));
    std::wstring commandLine = L"\"" + corePath + L"\" " + switches;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(corePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
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
    if (ShowConfirmDialog(settings) != IDYES)
        return;

    // The copies go into a fresh folder that only administrators can
    // change, never over a file that is already there.
    WorkingFolder folder;
    std::wstring core;
    if (!self || !folder.Create() || !folder.PathOf(kCoreFileName, core) || !CopyHeldFile(self.get(), core)) {
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

    // An existing event (another uninstaller at work) is opened and shared.
    ScopedHandle coreEvent(CreateEventW(nullptr, FALSE, FALSE, kCoreEventName));
    if (!StartCore(folder.Path(), core, settings.deleteUserData)) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }
    folder.Keep();
    if (coreEvent)
        WaitForSingleObject(coreEvent.get(), kCoreReleaseTimeoutMs);
}
