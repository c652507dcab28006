#pragma once

#include <windows.h>

#include "uiauto/scoped.h"

#include <map>
#include <string>
#include <vector>

namespace uiauto {

struct ProcessRecord {
    DWORD processId = 0;
    DWORD parentId = 0;
    unsigned depth = 0; // 0: the started process
    std::wstring name;  // image file name
    bool ended = false;
    DWORD exitCode = 0; // valid once ended
};

// The started process and every process descended from it. A program may
// start another copy of itself (for example elevated through the shell), so
// Refresh must be called repeatedly while anything runs; a process that ends
// before a refresh sees it cannot bring in its own children. Handles stay open
// until destruction, which also keeps the tracked process ids from being
// reused by unrelated processes.
class ProcessTree {
public:
    ProcessTree() = default;
    ProcessTree(const ProcessTree&) = delete;
    ProcessTree& operator=(const ProcessTree&) = delete;

    // Takes ownership of the started process's handle.
    void SetRoot(ScopedHandle process, DWORD processId, const std::wstring& name);
    // Adds newly started descendants and notes which processes have ended.
    void Refresh();
    // Terminates every tracked process still running and waits for it.
    void TerminateAll(UINT exitCode);

    bool Contains(DWORD processId) const;
    const ProcessRecord* Find(DWORD processId) const;
    bool RootRunning() const;
    bool AnyRunning() const;
    std::vector<ProcessRecord> Records() const;

private:
    struct Tracked {
        ScopedHandle handle;
        ProcessRecord record;
        FILETIME created;
    };
    void AddDescendants();
    void UpdateEnded();

    DWORD rootId_ = 0;
    std::vector<DWORD> order_; // ids in the order they were found
    std::map<DWORD, Tracked> tracked_;
};

} // namespace uiauto
