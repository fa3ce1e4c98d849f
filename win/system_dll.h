#pragma once
// Loading DLLs safely when the program runs from a removable drive: its own folder is then the
// drive, so nothing may be looked up there. The program imports statically only what the loader
// resolves from System32 before any of its code runs (kernel32, user32, gdi32, msvcrt); every
// other system DLL is loaded from System32, after RestrictDllSearchToSystem32.
//
// Below is the one list of the system functions the program takes at run time: one class per
// DLL, one member per export. Making a library object loads its DLL (and the object frees it);
// a member is empty when the DLL or the export is missing, and otherwise reads like the plain
// call: `Shell32 shell32; if (shell32.ShellExecuteExW) shell32.ShellExecuteExW(...)`. A class with
// one export is still the one owner that loads its DLL from System32 and frees it; each user
// would otherwise repeat both.

#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>
#include <objbase.h>
#include <oleacc.h>
#include <oleauto.h>
#include <shellapi.h>

#include <utility>

#include "win/handles.h"

namespace win {

// Restricts the process's later DLL searches, and those of the DLLs it loads, to System32.
void RestrictDllSearchToSystem32();

// A DLL loaded from System32 only, freed with its owner.
class SystemLibrary {
public:
    explicit SystemLibrary(const wchar_t* name);
    SystemLibrary(const SystemLibrary&) = delete;
    SystemLibrary& operator=(const SystemLibrary&) = delete;

    bool Loaded() const { return module_.valid(); }

    // One export of the library, typed as its declaration (`Fn` is the function's type).
    template <class Fn>
    class Export {
    public:
        Export(const SystemLibrary& library, const char* name)
            : function_(library.module_ ? reinterpret_cast<Fn*>(reinterpret_cast<void*>(
                                              GetProcAddress(library.module_.get(), name)))
                                        : nullptr) {}
        explicit operator bool() const { return function_ != nullptr; }
        template <class... Args>
        auto operator()(Args&&... args) const {
            return function_(std::forward<Args>(args)...);
        }

    private:
        Fn* function_;
    };

private:
    UniqueModule module_;
};

#define WIN_SYSTEM_EXPORT(name) Export<decltype(::name)> name{*this, #name}

// Only for RestrictDllSearchToSystem32: kernel32 is always loaded, but these exports are newer
// than some of the systems the program runs on.
struct Kernel32 : SystemLibrary {
    Kernel32() : SystemLibrary(L"kernel32.dll") {}
    Export<BOOL WINAPI(DWORD)> SetDefaultDllDirectories{*this, "SetDefaultDllDirectories"};
};

// The program's own ShellExecute, where no desktop shell answers (shell.h).
struct Shell32 : SystemLibrary {
    Shell32() : SystemLibrary(L"shell32.dll") {}
    WIN_SYSTEM_EXPORT(ShellExecuteExW);
};

// COM: the apartments (com.h) of the UI thread, which screen readers' calls reach
// (accessible.h), and of each hand-over to the desktop shell (shell.h), and the shell's objects.
// The process has one, Ole32Library().
struct Ole32 : SystemLibrary {
    Ole32() : SystemLibrary(L"ole32.dll") {}
    WIN_SYSTEM_EXPORT(CoInitializeEx);
    WIN_SYSTEM_EXPORT(CoUninitialize);
    WIN_SYSTEM_EXPORT(CoCreateInstance);
    WIN_SYSTEM_EXPORT(CoDisconnectObject);
};

// Automation strings for the desktop shell's requests (shell.h) and screen readers (accessible.h).
struct OleAut32 : SystemLibrary {
    OleAut32() : SystemLibrary(L"oleaut32.dll") {}
    WIN_SYSTEM_EXPORT(SysAllocString);
    WIN_SYSTEM_EXPORT(SysFreeString);
};

// What screen readers ask the controls (accessible.h).
struct Oleacc : SystemLibrary {
    Oleacc() : SystemLibrary(L"oleacc.dll") {}
    WIN_SYSTEM_EXPORT(LresultFromObject);
    WIN_SYSTEM_EXPORT(CreateStdAccessibleObject);
};

// The sound player (sound.h).
struct Winmm : SystemLibrary {
    Winmm() : SystemLibrary(L"winmm.dll") {}
    WIN_SYSTEM_EXPORT(sndPlaySoundW);
};

// The common controls, for the windows whose controls take their look from them.
struct Comctl32 : SystemLibrary {
    Comctl32() : SystemLibrary(L"comctl32.dll") {}
    WIN_SYSTEM_EXPORT(InitCommonControlsEx);
};

#undef WIN_SYSTEM_EXPORT

// ole32, loaded on the first call and never freed: a thread that the shell keeps blocked in a
// COM call still runs in it when everything else of the program has gone.
const Ole32& Ole32Library();

}  // namespace win
