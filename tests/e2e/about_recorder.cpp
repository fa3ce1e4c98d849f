// Stands in for the applications the shell starts (text viewer, web browser) in the About
// window's scenarios: appends one line to the file named by TAVELIN_RECORDER_LOG with its
// working directory and its whole command line, then exits. It shows no window.

#include <windows.h>

#include <string>

#include "tests/support/text.h"
#include "win/handles.h"

using test_support::Utf8;

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    wchar_t log[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TAVELIN_RECORDER_LOG", log, MAX_PATH)) return 3;
    wchar_t cwd[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, cwd);
    const std::string line = "cwd=" + Utf8(cwd) + "\tcmd=" + Utf8(GetCommandLineW()) + "\n";
    // Several requests may land at once: retry while another instance holds the file.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const win::UniqueFile f(
            CreateFileW(log, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (f) {
            DWORD written = 0;
            const BOOL ok = WriteFile(f.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
            return ok && written == line.size() ? 0 : 1;
        }
        Sleep(20);
    }
    return 1;
}
