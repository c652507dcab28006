#pragma once

#include <windows.h>

// Owns a block of the process heap and frees it once.
class ScopedHeapBlock {
public:
    explicit ScopedHeapBlock(SIZE_T size) : block_(HeapAlloc(GetProcessHeap(), 0, size)) {}
    ~ScopedHeapBlock()
    {
        if (block_)
            HeapFree(GetProcessHeap(), 0, block_);
    }
    ScopedHeapBlock(const ScopedHeapBlock&) = delete;
    ScopedHeapBlock& operator=(const ScopedHeapBlock&) = delete;

    void* get() const { return block_; }
    explicit operator bool() const { return block_ != nullptr; }

private:
    void* block_;
};
