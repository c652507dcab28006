#include "unsetup/entry.h"

#include <commctrl.h>
#include <objbase.h>

#include <new>

#include "common/win/text.h"
#include "common/xml/atl_compat.h"
#include "unsetup/core_arguments.h"
#include "unsetup/core_role.h"
#include "unsetup/launcher.h"
#include "unsetup/uninstaller_settings.h"

int RunUnsetup(HINSTANCE instance, const wchar_t* arguments)
{
    // The XML layer needs an apartment; process exit uninitialises it.
    CoInitialize(nullptr);

    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    UninstallerSettings& settings = Uninstaller();
    settings.instance = instance;
    settings.deleteUserData = false;
    SetResourceModule(instance);

    // Only an allocation failure in the XML layer throws; the exit code stays 0.
    try {
        if (IsCoreArguments(arguments))
            RunCoreRole(settings, arguments);
        else
            RunLauncher(settings);
    } catch (const ATL::CAtlException&) {
    } catch (const std::bad_alloc&) {
    }
    return 0;
}
