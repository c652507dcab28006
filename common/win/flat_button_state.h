#pragma once

#include <windows.h>

typedef BOOL(WINAPI* TrackMouseEventFn)(LPTRACKMOUSEEVENT);

// Per-window state of a flat button, held in window slot 0.
struct FlatButtonState {
    bool highlighted;  // mouse entered or focused: draw the flat frame
    bool pressed;      // draw the pressed look
    bool tracking;     // left button went down here and the mouse is captured
    bool hovering;     // mouse is over the button and a leave notice is requested
    TrackMouseEventFn trackMouseEvent; // null where the system has none
};

// How states are allocated and freed. Tests replace it to make creation fail
// or to count; allocate returns a zeroed state or null.
struct FlatButtonStateAllocator {
    FlatButtonState* (*allocate)();
    void (*release)(FlatButtonState*);
};

// Installs an allocator (null members restore the default) and returns the previous one.
FlatButtonStateAllocator SetFlatButtonStateAllocator(const FlatButtonStateAllocator& allocator);

FlatButtonState* AllocateFlatButtonState();
void ReleaseFlatButtonState(FlatButtonState* state);

// The state in slot 0, null before WM_CREATE has stored it and after WM_DESTROY.
FlatButtonState* GetFlatButtonState(HWND button);
void SetFlatButtonState(HWND button, FlatButtonState* state);

// Invalidates the whole client area with background erase.
void RepaintFlatButton(HWND button);
