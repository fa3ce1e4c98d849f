#include "ui/system_dll.h"

#include <objbase.h>

#include <string>

namespace ui {

namespace {
constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32
}

void RestrictDllSearchToSystem32() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    auto set = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (set) set(kSearchSystem32);
    SetDllDirectoryW(L"");  // also drops the current directory from the legacy search
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, kSearchSystem32)) return module;
    // Systems without the search flags reject them; a full System32 path is as safe.
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring full = std::wstring(dir, n) + L"\\" + name;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

ComApartment::ComApartment() : ole32_(L"ole32.dll") {
    if (auto* enter = ole32_.Function<decltype(CoInitializeEx)>("CoInitializeEx")) {
        entered_ = SUCCEEDED(enter(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
    }
}

ComApartment::~ComApartment() {
    if (!entered_) return;
    if (auto* leave = ole32_.Function<decltype(CoUninitialize)>("CoUninitialize")) leave();
}

}  // namespace ui
