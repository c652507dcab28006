#include "packsetup/entry.h"

#include <commctrl.h>
#include <objbase.h>

#include "common/win/message_box.h"
#include "common/win/text.h"
#include "packsetup/command_line.h"
#include "packsetup/core_instance.h"
#include "packsetup/core_options.h"
#include "packsetup/installer_state.h"
#include "packsetup/interface_instance.h"
#include "packsetup/res/resource.h"

int RunPackSetup(HINSTANCE instance)
{
    // The XML layer needs an apartment; process exit uninitialises it.
    CoInitialize(nullptr);

    INITCOMMONCONTROLSEX controls;
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_PROGRESS_CLASS;
    InitCommonControlsEx(&controls);

    InstallerState& state = Installer();
    state.instance = instance;
    SetResourceModule(instance);

    // Both run modes need the definition, so it is read before the command line.
    if (!LoadPackageDefinition(state.definition)) {
        ShowMessageBox(nullptr, LoadText(IDS_DEFINITION_LOAD_FAILED), state.definition.caption,
                       MB_ICONERROR);
        return 0;
    }

    CommandLine commandLine = ParseCommandLine(GetCommandLineW());
    CoreOptions coreOptions;
    if (ReadCoreOptions(commandLine, coreOptions))
        return RunCoreInstance(coreOptions);
    return RunInterfaceInstance();
}
