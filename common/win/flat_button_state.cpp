#include "common/win/flat_button_state.h"

#include <new>

namespace {

FlatButtonState* AllocateDefault()
{
    return new (std::nothrow) FlatButtonState();
}

void ReleaseDefault(FlatButtonState* state)
{
    delete state;
}

FlatButtonStateAllocator currentAllocator = {AllocateDefault, ReleaseDefault};

} // namespace

FlatButtonStateAllocator SetFlatButtonStateAllocator(const FlatButtonStateAllocator& allocator)
{
    FlatButtonStateAllocator previous = currentAllocator;
    currentAllocator.allocate = allocator.allocate ? allocator.allocate : AllocateDefault;
    currentAllocator.release = allocator.release ? allocator.release : ReleaseDefault;
    return previous;
}

FlatButtonState* AllocateFlatButtonState()
{
    return currentAllocator.allocate();
}

void ReleaseFlatButtonState(FlatButtonState* state)
{
    if (state)
        currentAllocator.release(state);
}

FlatButtonState* GetFlatButtonState(HWND button)
{
    return reinterpret_cast<FlatButtonState*>(GetWindowLongPtrW(button, 0));
}

void SetFlatButtonState(HWND button, FlatButtonState* state)
{
    SetWindowLongPtrW(button, 0, reinterpret_cast<LONG_PTR>(state));
}

void RepaintFlatButton(HWND button)
{
    InvalidateRect(button, nullptr, TRUE);
}
