#pragma once
// The message loop's building blocks, shared by every nested loop of the program.

#include <windows.h>

namespace win {

// Processes every pending message of the thread once and returns (the classic DoEvents).
void DoEvents();

// Routes one message: dialog navigation (Tab, access keys, Enter, Escape) for the windows that
// asked for it with UseDialogKeys, then translate and dispatch.
void DispatchOne(MSG& msg);

// Gives a top-level window dialog navigation, or takes it away (before the window goes).
void UseDialogKeys(HWND window, bool use);

}  // namespace win
