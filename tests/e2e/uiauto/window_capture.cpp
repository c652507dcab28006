#include "uiauto/window_capture.h"

#include "uiauto/scoped.h"

namespace uiauto {

namespace {

// Time for the raised window to repaint before the screen is read.
const DWORD kRepaintMs = 300;

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

    BITMAPINFO info = TopDownBitmapInfo(width, height);
    ScopedWindowDc screen(nullptr);
    if (!screen)
        return false;
    ScopedMemoryDc canvas(screen.Get());
    void* bits = nullptr;
    ScopedGdiObject bitmap(canvas ? CreateDIBSection(canvas.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0)
                                  : nullptr);
    if (!bitmap || !bits)
        return false;
    {
        ScopedSelection selection(canvas.Get(), bitmap.Get());
        if (!selection || !BitBlt(canvas.Get(), 0, 0, width, height, screen.Get(), area.left, area.top, SRCCOPY))
            return false;
    }
    GdiFlush();

    const DWORD pixelBytes = static_cast<DWORD>(width) * height * 4;
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfOffBits = sizeof(header) + sizeof(info.bmiHeader);
    header.bfSize = header.bfOffBits + pixelBytes;
    ScopedHandle file(CreateFileW(bmpPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return file && WriteAll(file.Get(), &header, sizeof(header)) &&
           WriteAll(file.Get(), &info.bmiHeader, sizeof(info.bmiHeader)) && WriteAll(file.Get(), bits, pixelBytes);
}

} // namespace uiauto
