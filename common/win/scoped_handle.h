#pragma once

#include <windows.h>

// Owns a kernel object handle (process, token, file, event) and closes it
// once. Both failure values of the API, null and INVALID_HANDLE_VALUE, are
// held as null.
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : handle_(Normalise(handle)) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other) {
            Reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }

    // For functions that return the handle through a pointer (OpenProcessToken);
    // closes the handle held so far.
    HANDLE* Receive()
    {
        Reset();
        return &handle_;
    }

    void Reset(HANDLE handle = nullptr)
    {
        if (handle_ && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = Normalise(handle);
    }

private:
    static HANDLE Normalise(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }
    HANDLE handle_;
};
