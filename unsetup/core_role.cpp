#include "unsetup/core_role.h"

#include <windows.h>

#include <new>

#include "common/win/message_box.h"
#include "common/win/scoped_handle.h"
#include "common/win/text.h"
#include "common/xml/atl_compat.h"
#include "packsetup/file_removal.h"
#include "unsetup/core_arguments.h"
#include "unsetup/program_paths.h"
#include "unsetup/res/resource.h"
#include "unsetup/uninstall_core.h"
#include "unsetup/uninstaller_definition.h"
#include "unsetup/working_folder.h"

namespace {

bool RunUninstallCoreSafely(UninstallerSettings& settings, const CoreArguments& arguments)
{
    try {
        return RunUninstallCore(settings, arguments);
    } catch (const ATL::CAtlException&) {
    } catch (const std::bad_alloc&) {
    }
    return false;
}

} // namespace

void RunCoreRole(UninstallerSettings& settings, const wchar_t* arguments)
{
    // Nobody may rename or delete the folder that the core runs from while it
    // works; the self-removal batch removes it once this process has ended.
    std::wstring executable;
    ScopedHandle ownFolder;
    if (GetOwnExecutablePath(executable))
        ownFolder = HoldFolder(FolderOfPath(executable));

    if (!LoadUninstallerDefinition(settings, true)) {
        ShowMessageBox(nullptr, LoadText(IDS_DEFINITION_LOAD_FAILED), kFallbackCaption, MB_OK | MB_ICONERROR);
        return;
    }
    std::wstring temporaryDefinition;
    if (GetOwnFolderFilePath(LoadText(IDS_TEMPORARY_DEFINITION_NAME), temporaryDefinition))
        DeleteFileWithRetry(temporaryDefinition);

    CoreArguments parsed;
    if (!ReadCoreArguments(arguments, parsed)) {
        ShowMessageBox(nullptr, LoadText(IDS_INTERNAL_ERROR_00), settings.caption, MB_OK | MB_ICONERROR);
        return;
    }
    settings.deleteUserData = parsed.deleteUserData;

    if (RunUninstallCoreSafely(settings, parsed))
        ShowMessageBox(nullptr, LoadText(IDS_UNINSTALL_COMPLETE), settings.caption, MB_OK | MB_ICONINFORMATION);
    else
        ShowMessageBox(nullptr, LoadText(IDS_UNINSTALL_FAILED), settings.caption, MB_OK | MB_ICONERROR);
}
