#pragma once

#include <windows.h>

namespace uiauto {

// Kernel object handle (process, thread, mutex, Toolhelp snapshot). Both
// failure values of the API (null and INVALID_HANDLE_VALUE) are held as null.
class ScopedHandle {
public:
    ScopedHandle() = default;
    explicit ScopedHandle(HANDLE handle) : handle_(Normalise(handle)) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;

    HANDLE Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset(HANDLE handle = nullptr)
    {
        if (handle_)
            CloseHandle(handle_);
        handle_ = Normalise(handle);
    }
    HANDLE Release()
    {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return handle;
    }

private:
    static HANDLE Normalise(HANDLE handle) { return handle == INVALID_HANDLE_VALUE ? nullptr : handle; }
    HANDLE handle_ = nullptr;
};

// Registry key opened or created by the holder (never a predefined root).
class ScopedRegKey {
public:
    ScopedRegKey() = default;
    ~ScopedRegKey() { Reset(); }
    ScopedRegKey(const ScopedRegKey&) = delete;
    ScopedRegKey& operator=(const ScopedRegKey&) = delete;

    HKEY Get() const { return key_; }
    // For RegOpenKeyExW / RegCreateKeyExW; closes the key held so far.
    HKEY* Receive()
    {
        Reset();
        return &key_;
    }
    explicit operator bool() const { return key_ != nullptr; }
    void Reset()
    {
        if (key_)
            RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

// Device context of a window (or of the screen) from GetDC.
class ScopedWindowDc {
public:
    explicit ScopedWindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~ScopedWindowDc()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
    }
    ScopedWindowDc(const ScopedWindowDc&) = delete;
    ScopedWindowDc& operator=(const ScopedWindowDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// Memory device context from CreateCompatibleDC.
class ScopedMemoryDc {
public:
    explicit ScopedMemoryDc(HDC compatibleWith) : dc_(CreateCompatibleDC(compatibleWith)) {}
    ~ScopedMemoryDc()
    {
        if (dc_)
            DeleteDC(dc_);
    }
    ScopedMemoryDc(const ScopedMemoryDc&) = delete;
    ScopedMemoryDc& operator=(const ScopedMemoryDc&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HDC dc_;
};

// The header of a top-down 32-bit section, whose rows lie as they are shown.
inline BITMAPINFO TopDownBitmapInfo(int width, int height)
{
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

// GDI object (bitmap, brush) deleted with DeleteObject.
class ScopedGdiObject {
public:
    explicit ScopedGdiObject(HGDIOBJ object = nullptr) : object_(object) {}
    ~ScopedGdiObject()
    {
        if (object_)
            DeleteObject(object_);
    }
    ScopedGdiObject(const ScopedGdiObject&) = delete;
    ScopedGdiObject& operator=(const ScopedGdiObject&) = delete;

    HGDIOBJ Get() const { return object_; }
    explicit operator bool() const { return object_ != nullptr; }

private:
    HGDIOBJ object_;
};

// Selection of an object into a DC, undone before the object is deleted.
class ScopedSelection {
public:
    ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~ScopedSelection()
    {
        if (previous_ && previous_ != HGDI_ERROR)
            SelectObject(dc_, previous_);
    }
    ScopedSelection(const ScopedSelection&) = delete;
    ScopedSelection& operator=(const ScopedSelection&) = delete;

    explicit operator bool() const { return previous_ && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Environment block from GetEnvironmentStringsW.
class ScopedEnvironmentStrings {
public:
    ScopedEnvironmentStrings() : block_(GetEnvironmentStringsW()) {}
    ~ScopedEnvironmentStrings()
    {
        if (block_)
            FreeEnvironmentStringsW(block_);
    }
    ScopedEnvironmentStrings(const ScopedEnvironmentStrings&) = delete;
    ScopedEnvironmentStrings& operator=(const ScopedEnvironmentStrings&) = delete;

    const wchar_t* Get() const { return block_; }

private:
    wchar_t* block_;
};

// Array that CommandLineToArgvW allocated.
class ScopedArgv {
public:
    explicit ScopedArgv(wchar_t** argv) : argv_(argv) {}
    ~ScopedArgv()
    {
        if (argv_)
            LocalFree(argv_);
    }
    ScopedArgv(const ScopedArgv&) = delete;
    ScopedArgv& operator=(const ScopedArgv&) = delete;

    wchar_t** Get() const { return argv_; }

private:
    wchar_t** argv_;
};

} // namespace uiauto
