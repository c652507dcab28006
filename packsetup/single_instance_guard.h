#pragma once

#include <windows.h>

// Holds the named mutex that keeps a second interface instance from running.
class SingleInstanceGuard {
public:
    SingleInstanceGuard() : mutex_(nullptr) {}
    ~SingleInstanceGuard();
    SingleInstanceGuard(const SingleInstanceGuard&) = delete;
    SingleInstanceGuard& operator=(const SingleInstanceGuard&) = delete;

    // False when another process holds a mutex of that name.
    bool Acquire(const wchar_t* name);

private:
    HANDLE mutex_;
};

extern const wchar_t kSetupMutexName[];
