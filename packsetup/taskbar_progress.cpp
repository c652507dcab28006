#include "packsetup/taskbar_progress.h"

#include "common/win/registry.h"

namespace {

// Defined here rather than taken from uuid.lib, whose copies are missing
// from older SDKs.
const CLSID kClsidTaskbarList = {0x56FDF344, 0xFD6D, 0x11D0, {0x95, 0x8A, 0x00, 0x60, 0x97, 0xC9, 0xA0, 0x90}};
const IID kIidTaskbarList3 = {0xEA1AFB91, 0x9E28, 0x4B86, {0x90, 0xE9, 0x9E, 0x9F, 0x8A, 0x5E, 0xEF, 0xAF}};

// Windows XP and Vista have no taskbar progress; the class key tells before
// COM is asked.
bool TaskbarListRegistered()
{
    ScopedRegKey key;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, L"CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}", 0, KEY_READ,
                         key.Receive())
        == ERROR_SUCCESS;
}

} // namespace

ScopedTaskbarList CreateTaskbarList()
{
    if (!TaskbarListRegistered())
        return ScopedTaskbarList();
    ITaskbarList3* list = nullptr;
    HRESULT hr = CoCreateInstance(kClsidTaskbarList, nullptr, CLSCTX_INPROC_SERVER, kIidTaskbarList3,
                                  reinterpret_cast<void**>(&list));
    if (FAILED(hr) || !list)
        return ScopedTaskbarList();
    return ScopedTaskbarList(list);
}

void SetTaskbarState(ITaskbarList3* list, HWND window, TBPFLAG state)
{
    if (list)
        list->SetProgressState(window, state);
}

void SetTaskbarValue(ITaskbarList3* list, HWND window, ULONGLONG completed, ULONGLONG total)
{
    if (list)
        list->SetProgressValue(window, completed, total);
}
