#pragma once
#include <string>

namespace win {

// The folder that holds the running program (and its sibling files): no trailing backslash,
// except at a drive root ("E:\").
std::wstring ProgramFolder();

// Makes the system folder the process's current folder. The system keeps a handle on a
// process's current folder; started from a stick (a double click, a shortcut or a prompt there),
// the program would otherwise keep that stick busy for as long as it runs. Nothing of the
// program depends on its current folder.
void LeaveCurrentFolder();

}  // namespace win
