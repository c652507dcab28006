#pragma once

#include <windows.h>

// The event by which the core releases the launcher: auto-reset, created by
// the launcher, signalled by the core.
const wchar_t kCoreEventName[] = L"TavrelUninstallCore";

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
