#pragma once
// The message loop's building blocks, shared by every nested loop of the program.

#include <windows.h>

namespace win {

// Which keys a top-level window leaves to the message loop for moving around its controls.
enum class NavigationKeys {
    None,
    Tab,     // Tab and Shift+Tab move the focus between tab stops (WM_NEXTDLGCTL)
    Dialog,  // everything a dialog does: Tab, access keys, Enter, Escape (IsDialogMessage)
};

// Processes every pending message of the thread once and returns (the classic DoEvents).
void DoEvents();

// Routes one message: the navigation keys of its top-level window (UseNavigationKeys), then
// translate and dispatch.
void DispatchOne(MSG& msg);

// Gives a top-level window its navigation keys; NavigationKeys::None before the window goes.
void UseNavigationKeys(HWND window, NavigationKeys keys);

}  // namespace win
