#include "uiauto/icon_kind.h"

#include "uiauto/scoped.h"
#include "uiauto/window_access.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace uiauto {

namespace {

// Mean difference per colour channel up to which a capture counts as the icon.
const unsigned kMatchThreshold = 12;

struct IconControl {
    HWND window;
    RECT screenRect;
};

BOOL CALLBACK FindIconControl(HWND child, LPARAM context)
{
    LONG style = GetWindowLongW(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) != SS_ICON || !IsWindowVisible(child))
        return TRUE;
    *reinterpret_cast<HWND*>(context) = child;
    return FALSE;
}

bool LocateIconControl(HWND dialog, IconControl& control)
{
    control.window = nullptr;
    EnumChildWindows(dialog, FindIconControl, reinterpret_cast<LPARAM>(&control.window));
    if (!control.window)
        return false;
    DWORD_PTR icon = 0;
    if (!SendMessageTimeoutW(control.window, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) || !icon)
        return false;
    RECT client;
    if (!GetClientRect(control.window, &client) || client.right <= 0 || client.bottom <= 0)
        return false;
    POINT origin = {0, 0};
    ClientToScreen(control.window, &origin);
    control.screenRect = RECT{origin.x, origin.y, origin.x + client.right, origin.y + client.bottom};
    return true;
}

// A 32-bit top-down DIB section selected into a memory DC.
class Canvas {
public:
    Canvas(HDC screen, int width, int height)
        : dc_(screen), width_(width), height_(height), bitmap_(CreateBitmap(screen)),
          selection_(dc_.Get(), bitmap_.Get())
    {
    }

    bool Valid() const { return dc_ && bitmap_ && selection_ && pixels_; }
    HDC Dc() const { return dc_.Get(); }
    const uint32_t* Pixels() const { return static_cast<const uint32_t*>(pixels_); }
    uint32_t* Pixels() { return static_cast<uint32_t*>(pixels_); }
    size_t Count() const { return static_cast<size_t>(width_) * height_; }

private:
    HGDIOBJ CreateBitmap(HDC screen)
    {
        BITMAPINFO info = TopDownBitmapInfo(width_, height_);
        return CreateDIBSection(screen, &info, DIB_RGB_COLORS, &pixels_, nullptr, 0);
    }

    ScopedMemoryDc dc_;
    int width_;
    int height_;
    void* pixels_ = nullptr;
    ScopedGdiObject bitmap_;
    ScopedSelection selection_;
};

unsigned MeanDifference(const Canvas& a, const Canvas& b)
{
    uint64_t total = 0;
    for (size_t i = 0; i < a.Count(); ++i) {
        uint32_t p = a.Pixels()[i], q = b.Pixels()[i];
        for (int shift = 0; shift < 24; shift += 8)
            total += std::abs(static_cast<int>((p >> shift) & 0xFF) - static_cast<int>((q >> shift) & 0xFF));
    }
    return static_cast<unsigned>(total / (a.Count() * 3));
}

} // namespace

IconKind ClassifyDialogIcon(HWND dialog)
{
    IconControl control;
    if (!LocateIconControl(dialog, control))
        return IconKind::None;
    int width = control.screenRect.right - control.screenRect.left;
    int height = control.screenRect.bottom - control.screenRect.top;

    ScopedWindowDc screen(nullptr);
    if (!screen)
        return IconKind::Unknown;
    Canvas captured(screen.Get(), width, height);
    if (!captured.Valid() ||
        !BitBlt(captured.Dc(), 0, 0, width, height, screen.Get(), control.screenRect.left,
                control.screenRect.top, SRCCOPY))
        return IconKind::Unknown;
    GdiFlush();

    // Every standard icon leaves its top-left corner transparent.
    const uint32_t background = captured.Pixels()[0] & 0x00FFFFFF;

    struct Candidate {
        LPCWSTR resource;
        IconKind kind;
    };
    const Candidate candidates[] = {{IDI_ERROR, IconKind::Error},
                                    {IDI_WARNING, IconKind::Warning},
                                    {IDI_INFORMATION, IconKind::Information},
                                    {IDI_QUESTION, IconKind::Question}};
    IconKind best = IconKind::Unknown;
    unsigned bestDifference = kMatchThreshold;
    for (const Candidate& candidate : candidates) {
        HICON icon = LoadIconW(nullptr, candidate.resource); // shared, never destroyed
        Canvas drawn(screen.Get(), width, height);
        if (!icon || !drawn.Valid())
            continue;
        std::fill(drawn.Pixels(), drawn.Pixels() + drawn.Count(), background);
        if (!DrawIconEx(drawn.Dc(), 0, 0, icon, width, height, 0, nullptr, DI_NORMAL))
            continue;
        GdiFlush();
        unsigned difference = MeanDifference(captured, drawn);
        if (difference < bestDifference) {
            bestDifference = difference;
            best = candidate.kind;
        }
    }
    return best;
}

} // namespace uiauto
