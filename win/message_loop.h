#pragma once
// The program's message loops: the yield and the loop of a modal show route every message the
// same way (the window's navigation keys first, then translate and dispatch) and follow one rule
// for a quit.
//
// A quit (WM_QUIT: PostQuitMessage, or PostThreadMessage from anywhere in or outside the process)
// ends the loop that meets it, and that loop posts it again, so that every loop around it ends
// too, out to the run, which then ends the program with the flush's exit code. The system's own
// modal loops (a message box's) do the same. No loop may go on after a quit: the system hands a
// pending quit out before any input, so a loop that kept going would never see a click or key
// again.

#include <windows.h>

#include <functional>

namespace win {

// Processes every pending message of the thread once and returns (the classic DoEvents): true,
// or false when it met a quit, which the caller's loop must then end on.
bool DoEvents();

// Waits for the thread's messages and routes them until `done()` holds (it is asked before each
// wait) or a quit arrives: true, or false when a quit ended it.
bool RunMessagesUntil(const std::function<bool()>& done);

}  // namespace win
