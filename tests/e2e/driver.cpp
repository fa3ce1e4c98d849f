// Reads and drives Tavelin's live windows from outside, for the end-to-end scripts.
//
//   driver wait <class> [timeout_ms]     waits for a visible top-level window of that class
//   driver gone <class> [timeout_ms]     waits until no window of that class exists
//   driver info <class>                  the window and its children, one line each
//   driver text                          the result window's text box (Text1)
//   driver click <class> <control id>    posts a button click
//   driver close <class>                 the title bar's close command
//   driver focus <class>                 the control id of the focus in that window's thread
//   driver selection <class> <id>        an edit control's selection, as "from,to"
//   driver frames                        frames the wait window's clip has painted
//   driver fmt <error>                   FormatMessageA's text for an error number
//   driver dpi                           the system DPI
//   driver open-volume <X:>              opens \\.\X: for writing (exit 0) or prints why not
//   driver open-alone <path>...          opens each file for reading with no sharing, which
//                                        fails while anyone else has it open: one line per file,
//                                        "ok" or "error N"; exit 0 when all opened
//   driver hold <path> <ms>              opens the file with no sharing, prints "held", keeps it
//                                        open that long
//   driver face <name>                   the face a screen DC gets when it asks for that font
//
// Texts are printed as UTF-8 with \r, \n, \\ and \" escaped, so a line is one value.
// Exit code 0 on success, 1 on a timeout or a missing window, 2 on bad usage.

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/e2e/driver_text.h"
#include "win/animation.h"

namespace {

using e2e::ClassName;
using e2e::Escaped;
using e2e::Utf8;
using e2e::Wide;
using e2e::WindowText;

// A top-level window's caption, read without sending it a message (it may be busy).
std::wstring Caption(HWND hwnd) {
    wchar_t text[512] = {};
    GetWindowTextW(hwnd, text, 512);
    return text;
}

HWND Find(const std::wstring& className, bool visibleOnly) {
    HWND found = nullptr;
    for (HWND h = FindWindowExW(nullptr, nullptr, className.c_str(), nullptr); h;
         h = FindWindowExW(nullptr, h, className.c_str(), nullptr)) {
        if (!visibleOnly || IsWindowVisible(h)) {
            found = h;
            break;
        }
    }
    return found;
}

HWND Require(const std::wstring& className) {
    HWND hwnd = Find(className, false);
    if (!hwnd) {
        std::fprintf(stderr, "driver: no window of class %s\n", Utf8(className).c_str());
        std::exit(1);
    }
    return hwnd;
}

void PrintRect(const char* name, RECT r) {
    std::printf(" %s=%ld,%ld,%ld,%ld", name, r.left, r.top, r.right, r.bottom);
}

int Info(const std::wstring& className) {
    HWND hwnd = Require(className);
    RECT window, client;
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);
    std::printf("window class=%s caption=\"%s\" visible=%d enabled=%d style=0x%08lx exstyle=0x%08lx owned=%d",
                Utf8(className).c_str(), Escaped(Caption(hwnd)).c_str(), IsWindowVisible(hwnd) ? 1 : 0,
                IsWindowEnabled(hwnd) ? 1 : 0, static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)),
                GetWindow(hwnd, GW_OWNER) ? 1 : 0);
    PrintRect("rect", window);
    PrintRect("client", client);
    const bool active = GetForegroundWindow() == hwnd;
    std::printf(" foreground=%d\n", active ? 1 : 0);

    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, hwnd, reinterpret_cast<POINT*>(&r), 2);
        std::printf("child id=%d class=%s text=\"%s\" visible=%d style=0x%08lx exstyle=0x%08lx",
                    GetDlgCtrlID(child), Utf8(ClassName(child)).c_str(), Escaped(WindowText(child)).c_str(),
                    IsWindowVisible(child) ? 1 : 0,
                    static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE)),
                    static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_EXSTYLE)));
        PrintRect("rect", r);
        std::printf("\n");
    }
    return 0;
}

int Wait(const std::wstring& className, DWORD timeoutMs, bool forGone) {
    const DWORD start = GetTickCount();
    for (;;) {
        const bool present = forGone ? Find(className, false) != nullptr : Find(className, true) != nullptr;
        if (present != forGone) return 0;
        if (GetTickCount() - start > timeoutMs) {
            std::fprintf(stderr, "driver: timed out waiting for %s%s\n", Utf8(className).c_str(),
                         forGone ? " to go" : "");
            return 1;
        }
        Sleep(20);
    }
}

int FormatError(long code) {
    char buffer[2560] = {};
    DWORD zero = 0;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, &zero,
                                   static_cast<DWORD>(code), 0, buffer, sizeof buffer, nullptr);
    std::wstring text(n, L'\0');
    if (n) {
        const int w = MultiByteToWideChar(CP_ACP, 0, buffer, static_cast<int>(n), nullptr, 0);
        text.resize(static_cast<size_t>(w));
        MultiByteToWideChar(CP_ACP, 0, buffer, static_cast<int>(n), text.data(), w);
    }
    std::printf("%s\n", Escaped(text).c_str());
    return 0;
}

HANDLE OpenWithNoSharing(const std::wstring& path) {
    return CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

int OpenAlone(int count, char** paths) {
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        HANDLE h = OpenWithNoSharing(Wide(paths[i]));
        if (h == INVALID_HANDLE_VALUE) {
            std::printf("error %lu\n", GetLastError());
            ++failed;
        } else {
            std::printf("ok\n");
            CloseHandle(h);
        }
    }
    return failed ? 1 : 0;
}

int Hold(const std::wstring& path, DWORD ms) {
    HANDLE h = OpenWithNoSharing(path);
    if (h == INVALID_HANDLE_VALUE) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(ms);
    CloseHandle(h);
    return 0;
}

int Face(const std::wstring& name) {
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, actual);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    DeleteObject(font);
    std::printf("%s\n", Escaped(actual).c_str());
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: driver wait|gone|info|text|click|close|focus|selection|frames|fmt|dpi|open-volume|open-alone|hold|face ...\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    const std::wstring arg = argc > 2 ? Wide(argv[2]) : L"";
    const DWORD timeout = argc > 3 ? static_cast<DWORD>(std::atol(argv[3])) : 30000;

    if (command == "wait" && argc > 2) return Wait(arg, timeout, false);
    if (command == "gone" && argc > 2) return Wait(arg, timeout, true);
    if (command == "info" && argc > 2) return Info(arg);
    if (command == "text") {
        HWND text1 = GetWindow(Require(L"frmFine"), GW_CHILD);
        std::printf("%s\n", Escaped(WindowText(text1)).c_str());
        return 0;
    }
    if (command == "click" && argc > 3) {
        HWND button = GetDlgItem(Require(arg), std::atoi(argv[3]));
        if (!button) return 1;
        PostMessageW(button, BM_CLICK, 0, 0);
        return 0;
    }
    if (command == "close" && argc > 2) {
        PostMessageW(Require(arg), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (command == "focus" && argc > 2) {
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(Require(arg), nullptr), &thread)) return 1;
        std::printf("%d\n", thread.hwndFocus ? GetDlgCtrlID(thread.hwndFocus) : 0);
        return 0;
    }
    if (command == "selection" && argc > 3) {
        DWORD_PTR range = 0;
        HWND edit = GetDlgItem(Require(arg), std::atoi(argv[3]));
        if (!edit || !SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &range)) return 1;
        std::printf("%u,%u\n", LOWORD(range), HIWORD(range));
        return 0;
    }
    if (command == "frames") {
        HWND animation = GetWindow(Require(L"frmAttendere"), GW_CHILD);
        DWORD_PTR frames = 0;
        if (!SendMessageTimeoutW(animation, win::ANM_FRAMESPAINTED, 0, 0, SMTO_ABORTIFHUNG, 5000, &frames)) return 1;
        std::printf("%lu\n", static_cast<unsigned long>(frames));
        return 0;
    }
    if (command == "fmt" && argc > 2) return FormatError(std::atol(argv[2]));
    if (command == "open-volume" && argc > 2) {
        const std::wstring path = L"\\\\.\\" + arg;
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) {
            std::printf("error %lu\n", GetLastError());
            return 1;
        }
        CloseHandle(h);
        return 0;
    }
    if (command == "open-alone" && argc > 2) return OpenAlone(argc - 2, argv + 2);
    if (command == "hold" && argc > 3) return Hold(arg, static_cast<DWORD>(std::atol(argv[3])));
    if (command == "face" && argc > 2) return Face(arg);
    if (command == "dpi") {
        HDC screen = GetDC(nullptr);
        std::printf("%d\n", GetDeviceCaps(screen, LOGPIXELSX));
        ReleaseDC(nullptr, screen);
        return 0;
    }
    return Usage();
}
