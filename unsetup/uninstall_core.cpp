#include "unsetup/uninstall_core.h"

#include <string>

#include "common/win/message_box.h"
#include "common/win/message_pump.h"
#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "packsetup/package_paths.h"
#include "unsetup/core_event.h"
#include "unsetup/launcher_binding.h"
#include "unsetup/launcher_image.h"
#include "unsetup/manifest_trust.h"
#include "unsetup/program_paths.h"
#include "unsetup/progress_window.h"
#include "unsetup/res/resource.h"
#include "unsetup/self_removal.h"
#include "unsetup/uninstall_worker.h"

namespace {

const wchar_t kManifestFileName[] = L"tavrelunsetup.dat";
// The window's marquee needs its timer messages; between them the wait
// wakes for any input or for the worker's end.
const DWORD kWorkerPollMs = 100;

void ReportError(const UninstallerSettings& settings, UINT textId)
{
    ShowMessageBox(nullptr, LoadText(textId), settings.caption, MB_OK | MB_ICONERROR);
}

// Keeps the progress window alive until the worker has ended.
void WaitForWorker(HANDLE worker, HWND progressWindow)
{
    DWORD exitCode = STILL_ACTIVE;
    while (GetExitCodeThread(worker, &exitCode) && exitCode == STILL_ACTIVE) {
        PumpPendingMessages(progressWindow);
        MsgWaitForMultipleObjects(1, &worker, FALSE, kWorkerPollMs, QS_ALLINPUT);
    }
    // The worker's parameters live on this stack: never leave before it ends,
    // even when its exit code could not be read.
    WaitForSingleObject(worker, INFINITE);
}

} // namespace

bool RunUninstallCore(UninstallerSettings& settings, const CoreArguments& arguments)
{
    const DWORD launcherProcessId = arguments.launcherProcessId;
    ScopedHandle launcher = TakeLauncherProcess(launcherProcessId, arguments.launcherHandle);
    if (!launcher) {
        ReportError(settings, IDS_INTERNAL_ERROR_01);
        return false;
    }
    LauncherRelease release(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCoreEventName));
    if (!release) {
        ReportError(settings, IDS_INTERNAL_ERROR_02);
        return false;
    }

    std::wstring launcherPath;
    switch (GetLauncherExecutablePath(launcher.get(), launcherPath)) {
    case LauncherImageResult::ModulesUnreadable:
        ReportError(settings, IDS_INTERNAL_ERROR_03);
        return false;
    case LauncherImageResult::PathUnreadable:
        ReportError(settings, IDS_INTERNAL_ERROR_04);
        return false;
    case LauncherImageResult::Found:
        break;
    }

    std::wstring manifestPath = JoinPath(FolderOfPath(launcherPath), kManifestFileName);
    if (!settings.manifest.Create()) {
        ReportError(settings, IDS_INTERNAL_ERROR_06);
        return false;
    }
    if (!FitsMaxPath(manifestPath)
        || !LoadUninstallManifest(settings.manifest, manifestPath, settings.manifestTrusted)) {
        ReportError(settings, IDS_MANIFEST_LOAD_FAILED);
        return false;
    }

    ProgressWindow window(settings.instance);
    bool result = false;
    UninstallWorkerParams params = {launcher.get(), release.get(), launcherPath.c_str(),
                                    launcherProcessId,  window.get(),  &result};
    ScopedHandle worker(CreateThread(nullptr, 0, UninstallWorker, &params, 0, nullptr));
    if (!worker) {
        window.Destroy();
        ReportError(settings, IDS_INTERNAL_ERROR_05);
        return false;
    }
    WaitForWorker(worker.get(), window.get());

    window.Destroy();
    // Nothing reads the manifest any more.
    settings.manifest = qz_xml::QXMLDocument();
    StartSelfRemoval();
    return result;
}
