#pragma once

#include <windows.h>

#include "common/win/scoped_handle.h"

// The event by which the core releases the launcher: auto-reset, created by
// the launcher, signalled by the core.
const wchar_t kCoreEventName[] = L"TavrelUninstallCore";

// Creates the event new, open to Administrators and SYSTEM only. Null when
// the name is already taken, by an event or anything else: whoever holds it
// could release the launcher or keep it waiting, so the launcher must not go
// on with it.
ScopedHandle CreateCoreEvent();

// Owns the core's handle to that event. Releasing the owner signals the
// event before closing it, so the launcher is let go on every path once the
// event was opened.
class LauncherRelease {
public:
    explicit LauncherRelease(HANDLE event) : event_(event) {}
    ~LauncherRelease()
    {
        if (event_) {
            SetEvent(event_);
            CloseHandle(event_);
        }
    }
    LauncherRelease(const LauncherRelease&) = delete;
    LauncherRelease& operator=(const LauncherRelease&) = delete;

    HANDLE get() const { return event_; }
    explicit operator bool() const { return event_ != nullptr; }

private:
    HANDLE event_;
};
