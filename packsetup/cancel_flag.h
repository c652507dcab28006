#pragma once

#include <atomic>

// A flag written by the thread of the progress dialog and read by the copy
// worker, without a lock. Copying copies the value, so the state that holds
// it stays assignable.
class CancelFlag {
public:
    CancelFlag() {}
    CancelFlag(const CancelFlag& other) : value_(other.IsSet()) {}
    CancelFlag& operator=(const CancelFlag& other)
    {
        value_.store(other.IsSet());
        return *this;
    }

    void Set() { value_.store(true); }
    void Clear() { value_.store(false); }
    bool IsSet() const { return value_.load(); }

private:
    std::atomic<bool> value_{false};
};
