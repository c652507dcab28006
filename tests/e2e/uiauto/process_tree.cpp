#include "uiauto/process_tree.h"

#include <tlhelp32.h>

namespace uiauto {

namespace {

struct SnapshotEntry {
    DWORD processId;
    DWORD parentId;
    std::wstring name;
};

std::vector<SnapshotEntry> TakeSnapshot()
{
    std::vector<SnapshotEntry> entries;
    ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return entries;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more; more = Process32NextW(snapshot.Get(), &entry))
        entries.push_back(SnapshotEntry{entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile});
    return entries;
}

bool CreationTime(HANDLE process, FILETIME& created)
{
    FILETIME exited, kernel, user;
    return GetProcessTimes(process, &created, &exited, &kernel, &user) != FALSE;
}

} // namespace

void ProcessTree::SetRoot(ScopedHandle process, DWORD processId, const std::wstring& name)
{
    Tracked root;
    root.record.processId = processId;
    root.record.name = name;
    if (!CreationTime(process.Get(), root.created))
        root.created = FILETIME{0, 0};
    root.handle = std::move(process);
    rootId_ = processId;
    order_.push_back(processId);
    tracked_.emplace(processId, std::move(root));
}

void ProcessTree::Refresh()
{
    // Ends are read before the processes are listed: a process that starts a
    // child and ends in between has its child in the list.
    UpdateEnded();
    AddDescendants();
}

void ProcessTree::AddDescendants()
{
    std::vector<SnapshotEntry> entries = TakeSnapshot();
    // A grandchild may precede its parent in the snapshot: repeat until nothing new.
    for (bool added = true; added;) {
        added = false;
        for (const SnapshotEntry& entry : entries) {
            auto known = tracked_.find(entry.processId);
            // A process that has only just started may not have its image name yet.
            if (known != tracked_.end() && known->second.record.name.empty())
                known->second.record.name = entry.name;
            if (known != tracked_.end() || !Contains(entry.parentId))
                continue;
            ScopedHandle handle(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION,
                                            FALSE, entry.processId));
            if (!handle)
                continue;
            Tracked child;
            const Tracked& parent = tracked_.at(entry.parentId);
            // A process older than its supposed parent had an earlier owner of that id as parent.
            if (!CreationTime(handle.Get(), child.created) || CompareFileTime(&child.created, &parent.created) < 0)
                continue;
            child.record.processId = entry.processId;
            child.record.parentId = entry.parentId;
            child.record.depth = parent.record.depth + 1;
            child.record.name = entry.name;
            child.handle = std::move(handle);
            order_.push_back(entry.processId);
            tracked_.emplace(entry.processId, std::move(child));
            added = true;
        }
    }
}

void ProcessTree::UpdateEnded()
{
    for (auto& item : tracked_) {
        Tracked& process = item.second;
        if (process.record.ended || WaitForSingleObject(process.handle.Get(), 0) != WAIT_OBJECT_0)
            continue;
        DWORD exitCode = 0;
        if (GetExitCodeProcess(process.handle.Get(), &exitCode))
            process.record.exitCode = exitCode;
        process.record.ended = true;
    }
}

void ProcessTree::TerminateAll(UINT exitCode)
{
    // Terminating a parent does not stop children that it started meanwhile: look again.
    for (int round = 0; round < 3; ++round) {
        Refresh();
        if (!AnyRunning())
            return;
        for (auto& item : tracked_) {
            if (!item.second.record.ended) {
                TerminateProcess(item.second.handle.Get(), exitCode);
                WaitForSingleObject(item.second.handle.Get(), 5000);
            }
        }
    }
    UpdateEnded();
}

bool ProcessTree::Contains(DWORD processId) const
{
    return tracked_.count(processId) != 0;
}

const ProcessRecord* ProcessTree::Find(DWORD processId) const
{
    auto found = tracked_.find(processId);
    return found == tracked_.end() ? nullptr : &found->second.record;
}

bool ProcessTree::RootRunning() const
{
    const ProcessRecord* root = Find(rootId_);
    return root && !root->ended;
}

bool ProcessTree::AnyRunning() const
{
    for (const auto& item : tracked_) {
        if (!item.second.record.ended)
            return true;
    }
    return false;
}

std::vector<ProcessRecord> ProcessTree::Records() const
{
    std::vector<ProcessRecord> records;
    for (DWORD id : order_)
        records.push_back(tracked_.at(id).record);
    return records;
}

} // namespace uiauto
