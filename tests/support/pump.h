#pragma once
// What the Win32 tests do with the thread's windows: let them run for a while, and read what a
// control shows.

#include <windows.h>

#include "win/handles.h"
#include "win/message_loop.h"

namespace test_support {

// Lets the thread's windows run for `ms` milliseconds, through the program's own yield.
inline void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        win::DoEvents();
        Sleep(5);
    } while (GetTickCount() - start < ms);
}

// Lets the thread's windows run until `done()` holds, for `ms` milliseconds at most: whether it
// came to hold.
template <class Condition>
bool PumpUntil(Condition done, DWORD ms) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start >= ms) return false;
        win::DoEvents();
        Sleep(5);
    }
    return true;
}

// How many of the control's pixels have exactly this colour, as the control's DC reads them.
inline int PixelsOf(HWND control, COLORREF colour) {
    RECT r;
    GetClientRect(control, &r);
    const win::WindowDc dc(control);
    int count = 0;
    for (int y = 0; y < r.bottom; ++y) {
        for (int x = 0; x < r.right; ++x) count += GetPixel(dc.get(), x, y) == colour ? 1 : 0;
    }
    return count;
}

}  // namespace test_support
