// Stands in for the applications the shell starts (text viewer, web browser) in the About
// window's scenarios: appends one line to the log beside itself (its own path with ".log") with
// the program that started it, its working directory and its whole command line, then exits.
// It shows no window. The log is beside it rather than named in the environment, because the
// desktop's shell, which starts it, does not have the program's environment.

#include <windows.h>
#include <tlhelp32.h>

#include <string>

#include "tests/support/text.h"
#include "win/handles.h"

using test_support::Utf8;

namespace {

// The file name of the process that started this one ("explorer.exe"), or "?".
std::wstring ParentName() {
    const win::UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return L"?";
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == GetCurrentProcessId()) parent = entry.th32ParentProcessID;
    }
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == parent) return entry.szExeFile;
    }
    return L"?";
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t self[MAX_PATH] = {};
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    if (n == 0 || n >= MAX_PATH - 4) return 3;
    const std::wstring log = std::wstring(self, n) + L".log";
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::string line =
        "parent=" + Utf8(ParentName()) + "\tcwd=" + Utf8(cwd) + "\tcmd=" + Utf8(GetCommandLineW()) + "\n";
    // Several requests may land at once: retry while another instance holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const win::UniqueFile f(
            CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f) {
            DWORD written = 0;
            const BOOL ok = WriteFile(f.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            return ok && written == line.size() ? 0 : 1;
        }
        Sleep(20);
    }
    return 1;
}
