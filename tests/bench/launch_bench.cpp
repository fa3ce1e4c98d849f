// Measures, from outside, how long a program takes from its launch to its result on screen, and
// how smoothly the wait window's clip plays while the flush blocks.
//
//   launch_bench time <runs> <label> <class> <command line> [<label> <class> <command line> ...]
//       alternates the programs run by run; prints each one's median time from its launch to a
//       visible window of <class> (its result), under its label
//   launch_bench frames <command line>
//       runs tavelin.exe once (with a slow flush arranged by the caller) and prints the frames
//       the clip painted while the flush blocked, against the clip's nominal rate
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/handles.h"
#include "tests/support/text.h"
#include "app/window_names.h"
#include "win/animation.h"

namespace {

using test_support::Wide;

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// A started program: its process (its first thread is let go at once).
test_support::UniqueHandle Launch(std::wstring commandLine) {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        std::fprintf(stderr, "cannot start %ls (error %lu)\n", commandLine.c_str(), GetLastError());
        std::exit(1);
    }
    test_support::UniqueHandle thread(pi.hThread);
    return test_support::UniqueHandle(pi.hProcess);
}

// Polls for a visible top-level window of the class; the time it was first seen, or -1.
double WaitVisible(const wchar_t* className, double timeout) {
    const double start = Now();
    while (Now() - start < timeout) {
        HWND hwnd = FindWindowW(className, nullptr);
        if (hwnd && IsWindowVisible(hwnd)) return Now();
        Sleep(1);
    }
    return -1;
}

void Finish(const test_support::UniqueHandle& process, const wchar_t* className) {
    if (HWND hwnd = FindWindowW(className, nullptr)) PostMessageW(hwnd, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.get(), 20000) != WAIT_OBJECT_0) TerminateProcess(process.get(), 99);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Time(int runs, int argc, char** argv) {
    struct Program { std::wstring label, className, commandLine; std::vector<double> ms; };
    std::vector<Program> programs;
    for (int i = 0; i + 2 < argc; i += 3) {
        programs.push_back({Wide(argv[i]), Wide(argv[i + 1]), Wide(argv[i + 2]), {}});
    }
    for (int run = 0; run < runs; ++run) {
        for (Program& p : programs) {
            const double start = Now();
            const test_support::UniqueHandle process = Launch(p.commandLine);
            const double seen = WaitVisible(p.className.c_str(), 60);
            if (seen < 0) {
                std::fprintf(stderr, "%ls: no result window\n", p.label.c_str());
                TerminateProcess(process.get(), 99);
                return 1;
            }
            p.ms.push_back((seen - start) * 1000);
            Finish(process, p.className.c_str());
        }
    }
    for (const Program& p : programs) {
        std::printf("%ls median_ms=%.1f runs=%zu\n", p.label.c_str(), Median(p.ms), p.ms.size());
    }
    if (programs.size() == 2) {
        std::printf("ratio=%.3f\n", Median(programs[0].ms) / Median(programs[1].ms));
    }
    return 0;
}

int Frames(const char* commandLine) {
    const test_support::UniqueHandle process = Launch(Wide(commandLine));
    const double waitShown = WaitVisible(app::names::kWaitWindowClass, 60);
    const double resultShown = WaitVisible(app::names::kResultWindowClass, 120);
    if (waitShown < 0 || resultShown < 0) {
        TerminateProcess(process.get(), 99);
        std::fprintf(stderr, "windows did not appear\n");
        return 1;
    }
    HWND animation = GetWindow(FindWindowW(app::names::kWaitWindowClass, nullptr), GW_CHILD);
    DWORD_PTR frames = 0, rate = 0;
    SendMessageTimeoutW(animation, win::ANM_FRAMESPAINTED, 0, 0, SMTO_ABORTIFHUNG, 5000, &frames);
    SendMessageTimeoutW(animation, win::ANM_FRAMERATE, 0, 0, SMTO_ABORTIFHUNG, 5000, &rate);
    const double seconds = resultShown - waitShown;
    const double nominal = static_cast<double>(rate) / 1000.0;
    std::printf("blocked_s=%.2f frames=%lu nominal_fps=%.2f painted_fps=%.2f ratio=%.3f\n", seconds,
                static_cast<unsigned long>(frames), nominal, static_cast<double>(frames) / seconds,
                nominal > 0 ? static_cast<double>(frames) / seconds / nominal : 0.0);
    Finish(process, app::names::kResultWindowClass);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 5 && std::string(argv[1]) == "time") return Time(std::atoi(argv[2]), argc - 3, argv + 3);
    if (argc == 3 && std::string(argv[1]) == "frames") return Frames(argv[2]);
    std::fprintf(stderr, "usage: launch_bench time <runs> <class> <cmd> [...] | frames <cmd>\n");
    return 2;
}
