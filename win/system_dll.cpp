#include "win/system_dll.h"

#include <string>

namespace win {

namespace {

constexpr DWORD kSearchSystem32 = 0x00000800;  // LOAD_LIBRARY_SEARCH_SYSTEM32

HMODULE LoadFromSystem32(const wchar_t* name) {
    if (HMODULE module = LoadLibraryExW(name, nullptr, kSearchSystem32)) return module;
    // Systems without the search flags reject them; a full System32 path is as safe, and makes
    // the DLL's own imports come from System32 too.
    wchar_t dir[MAX_PATH];
    const UINT n = GetSystemDirectoryW(dir, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring full = std::wstring(dir, n) + L"\\" + name;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace

void RestrictDllSearchToSystem32() {
    const Kernel32 kernel32;
    if (kernel32.SetDefaultDllDirectories) kernel32.SetDefaultDllDirectories(kSearchSystem32);
    SetDllDirectoryW(L"");  // also drops the current directory from the legacy search
}

const Ole32& Ole32Library() {
    static const Ole32* const library = new Ole32;  // never deleted (system_dll.h)
    return *library;
}

SystemLibrary::SystemLibrary(const wchar_t* name) : module_(LoadFromSystem32(name)) {}

}  // namespace win
