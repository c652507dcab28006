#pragma once

#include <string>

#include "common/win/scoped_handle.h"

// The uninstaller's private working folder: a new folder with an
// unpredictable name in Windows' own temporary folder, where users cannot
// rename or delete what an administrator created, with full control for
// Administrators and SYSTEM only. The core runs from it.

// "<Windows folder>\Temp", without a trailing backslash.
bool GetSystemTemporaryFolder(std::wstring& folder);

// Opens a folder so that nobody can delete or rename it while the handle
// lives; never through a link. Null when it cannot be opened or is a link.
ScopedHandle HoldFolder(const std::wstring& folder);

// A working folder made by the launcher. Until Keep() is called, the
// destructor removes the folder with the uninstaller's files in it.
class WorkingFolder {
public:
    WorkingFolder() = default;
    ~WorkingFolder();
    WorkingFolder(const WorkingFolder&) = delete;
    WorkingFolder& operator=(const WorkingFolder&) = delete;

    // Creates a folder under a fresh name (an existing name is never reused)
    // and holds it open.
    bool Create();

    const std::wstring& Path() const { return path_; }
    // "<folder>\<name>"; false when it would not fit in MAX_PATH.
    bool PathOf(const std::wstring& name, std::wstring& path) const;

    // The core owns the folder from now on; it is held until destruction.
    void Keep() { keep_ = true; }

private:
    std::wstring path_;
    ScopedHandle hold_;
    bool keep_ = false;
};
