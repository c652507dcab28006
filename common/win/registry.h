#pragma once

#include <windows.h>

// Owns a registry key opened or created by the holder (never one of the
// predefined roots) and closes it once.
class ScopedRegKey {
public:
    ScopedRegKey() : key_(nullptr) {}
    ~ScopedRegKey() { Reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    HKEY get() const { return key_; }
    explicit operator bool() const { return key_ != nullptr; }

    // For RegOpenKeyExW and RegCreateKeyExW; closes the key held so far.
    HKEY* Receive()
    {
        Reset();
        return &key_;
    }

    void Reset()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_;
};
