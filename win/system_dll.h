#pragma once
// Loading DLLs safely when the program runs from a removable drive: its own folder is then the
// drive, so nothing may be looked up there. The program imports statically only what the loader
// resolves from System32 before any of its code runs (kernel32, user32, gdi32, msvcrt); every
// other system DLL comes through SystemLibrary, after RestrictDllSearchToSystem32.

#include <windows.h>

#include "win/handles.h"

namespace win {

// Restricts the process's later DLL searches, and those of the DLLs it loads, to System32.
void RestrictDllSearchToSystem32();

// A system DLL loaded from System32 only and freed with its owner, with typed access to its
// exports:
//   SystemLibrary shell32(L"shell32.dll");
//   if (auto* execute = shell32.Function<decltype(ShellExecuteW)>("ShellExecuteW")) ...
class SystemLibrary {
public:
    SystemLibrary() = default;
    explicit SystemLibrary(const wchar_t* name);

    bool Loaded() const { return module_.valid(); }
    HMODULE Get() const { return module_.get(); }

    // The export `name` as a function of type Fn (its declaration's type), or nullptr.
    template <class Fn>
    Fn* Function(const char* name) const {
        if (!module_) return nullptr;
        return reinterpret_cast<Fn*>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

private:
    UniqueModule module_;
};

}  // namespace win
