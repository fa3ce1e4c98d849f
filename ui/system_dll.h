#pragma once
// Loading DLLs safely when the program runs from a removable drive: its own folder is then the
// drive, so nothing may be looked up there.

#include <windows.h>

namespace ui {

// Restricts the process's later DLL searches to System32 (when the system supports it).
void RestrictDllSearchToSystem32();

// Loads a DLL from System32 only; nullptr when it is not there.
HMODULE LoadSystemLibrary(const wchar_t* name);

}  // namespace ui
