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

}  // namespace win
