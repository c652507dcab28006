#include "unsetup/launcher.h"

#include <windows.h>

#include "common/win/message_box.h"
#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "unsetup/confirm_dialog.h"
#include "unsetup/core_event.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"
#include "unsetup/uninstaller_definition.h"

namespace {

const wchar_t kFallbackCaption[] = L"Tavrel!";
const wchar_t kCoreFileName[] = L"tavrelunsetup.bin";
const DWORD kCoreReleaseTimeoutMs = 180000;

void ReportError(const UninstallerSettings& settings, UINT textId)
{
    ShowMessageBox(nullptr, LoadText(textId), settings.caption, MB_OK | MB_ICONERROR);
}

// Copies the program and its definition into the temporary folder; the core
// path is empty when it cannot be built. The copies are not checked: a
// missing core fails to start, a missing definition fails in the core.
std::wstring PrepareCoreCopy()
{
    std::wstring self;
    std::wstring core;
    if (!GetOwnExecutablePath(self) || !GetTemporaryFilePath(kCoreFileName, core))
        return std::wstring();
    CopyFileW(self.c_str(), core.c_str(), FALSE);

    std::wstring definition;
    std::wstring temporaryDefinition;
    if (GetOwnFolderFilePath(LoadText(IDS_DEFINITION_NAME), definition)
        && GetTemporaryFilePath(LoadText(IDS_TEMPORARY_DEFINITION_NAME), temporaryDefinition))
        CopyFileW(definition.c_str(), temporaryDefinition.c_str(), FALSE);
    return core;
}

// Starts the core; true when it runs.
bool StartCore(const std::wstring& corePath, bool deleteUserData)
{
    std::wstring temporaryFolder;
    if (!GetTemporaryFolder(temporaryFolder))
        return false;
    wchar_t switches[32];
    wsprintfW(switches, L"/u%d,%d", deleteUserData ? 1 : 0, static_cast<int>(GetCurrentProcessId()));
    std::wstring commandLine = L"\"" + corePath + L"\" " + switches;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started = {};
    if (!CreateProcessW(corePath.c_str(), &commandLine[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS,
                        nullptr, temporaryFolder.c_str(), &startup, &started))
        return false;
    ScopedHandle thread(started.hThread);
    ScopedHandle process(started.hProcess);
    return true;
}

} // namespace

void RunLauncher(UninstallerSettings& settings)
{
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

    std::wstring core = PrepareCoreCopy();
    // An existing event (another uninstaller at work) is opened and shared.
    ScopedHandle coreEvent(CreateEventW(nullptr, FALSE, FALSE, kCoreEventName));
    if (core.empty() || !StartCore(core, settings.deleteUserData)) {
        ReportError(settings, IDS_CORE_START_FAILED);
        return;
    }
    if (coreEvent)
        WaitForSingleObject(coreEvent.get(), kCoreReleaseTimeoutMs);
}
