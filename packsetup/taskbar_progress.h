#pragma once

#include <windows.h>
#include <shobjidl.h>

// Owns the shell's taskbar progress object and releases it once.
class ScopedTaskbarList {
public:
    explicit ScopedTaskbarList(ITaskbarList3* list = nullptr) : list_(list) {}
    ~ScopedTaskbarList()
    {
        if (list_)
            list_->Release();
    }
    ScopedTaskbarList(const ScopedTaskbarList&) = delete;
    ScopedTaskbarList& operator=(const ScopedTaskbarList&) = delete;
    ScopedTaskbarList(ScopedTaskbarList&& other) noexcept : list_(other.list_) { other.list_ = nullptr; }

    // Null when the platform has no taskbar progress.
    ITaskbarList3* get() const { return list_; }

private:
    ITaskbarList3* list_;
};

// The taskbar progress object, only where the shell registers its class;
// empty on every failure. COM must be initialised on the calling thread.
ScopedTaskbarList CreateTaskbarList();

// The taskbar calls; both do nothing without a taskbar list.
void SetTaskbarState(ITaskbarList3* list, HWND window, TBPFLAG state);
void SetTaskbarValue(ITaskbarList3* list, HWND window, ULONGLONG completed, ULONGLONG total);
