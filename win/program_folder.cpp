#include "win/program_folder.h"

#include <windows.h>

#include "core/command_line.h"

namespace win {

std::wstring ProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return core::ProgramFolderOf(path);
}

void LeaveCurrentFolder() {
    wchar_t system[MAX_PATH];
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    // A folder the system cannot name leaves the current one as it is; the run still works.
    if (n > 0 && n < MAX_PATH) SetCurrentDirectoryW(system);
}

}  // namespace win
