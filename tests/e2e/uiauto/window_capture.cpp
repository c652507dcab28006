#include "uiauto/window_capture.h"

#include "uiauto/scoped.h"

#include <vector>

namespace uiauto {

namespace {

// Time for the raised window to repaint before the screen is read.
const DWORD kRepaintMs = 300;

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc()
    {
        if (dc_)
            ReleaseDC(nullptr, dc_);
    }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const { return dc_; }

private:
    HDC dc_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC reference) : dc_(CreateCompatibleDC(reference)) {}
    ~MemoryDc()
    {
        if (previous_)
            SelectObject(dc_, previous_);
        if (bitmap_)
            DeleteObject(bitmap_);
        if (dc_)
            DeleteDC(dc_);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;

    // A top-down 32-bit section of the given size, selected into the DC.
    void* Select(const BITMAPINFO& info)
    {
        void* bits = nullptr;
        if (dc_)
            bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (!bitmap_)
            return nullptr;
        previous_ = SelectObject(dc_, bitmap_);
        return bits;
    }
    HDC Get() const { return dc_; }

private:
    HDC dc_;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

bool WriteAll(HANDLE file, const void* data, DWORD size)
{
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

} // namespace

bool CaptureWindow(HWND window, const std::wstring& bmpPath)
{
    if (!IsWindow(window))
        return false;
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    Sleep(kRepaintMs);

    RECT area = {};
    if (!GetWindowRect(window, &area))
        return false;
    const int width = area.right - area.left;
    const int height = area.bottom - area.top;
    if (width <= 0 || height <= 0)
        return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    ScreenDc screen;
    MemoryDc canvas(screen.Get());
    void* bits = canvas.Select(info);
    if (!screen.Get() || !bits ||
        !BitBlt(canvas.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY))
        return false;
    GdiFlush();

    const DWORD pixelBytes = static_cast<DWORD>(width) * height * 4;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + pixelBytes;
    ScopedHandle file(CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    return WriteAll(file.Get(), &header, sizeof(header)) &&
           WriteAll(file.Get(), &info.bmiHeader, sizeof(info.bmiHeader)) && WriteAll(file.Get(), bits, pixelBytes);
}

} // namespace uiauto
