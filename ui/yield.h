#pragma once
// The message loop's building blocks, shared by every nested loop of the program.

#include <windows.h>

namespace ui {

// Processes every pending message of the thread once and returns (the classic DoEvents).
void DoEvents();

// Routes one message: dialog navigation for forms that want it, then translate and dispatch.
void DispatchOne(MSG& msg);

}  // namespace ui
