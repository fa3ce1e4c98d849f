// Reads and drives the About window's scenarios from outside the program, for the about_*.sh
// scripts. Only windows of the program named by TAVELIN_EXE (its Windows path) count, so that
// other programs on the same display are never touched; --any lifts that for one command.
//
//   about_driver [--any] wait <class> [timeout_ms]    a visible top-level window of the class
//   about_driver [--any] gone <class> [timeout_ms]    no window of the class any more
//   about_driver [--any] count <class>                visible top-level windows of the class
//   about_driver info <class>                         the window and its children, one a line
//   about_driver rect <class> <id>                    a child's rectangle on the screen
//                                                     (id 0: the window's client area)
//   about_driver colours <class> <id>                 what the child shows: pure blue pixels,
//                                                     distinct colours, pixel count
//   about_driver measure <face> <centipoints> <underline 0|1> <text>   text size in pixels
//   about_driver msgbox <caption> [timeout_ms]        a message box of the program: its text,
//                                                     buttons, icon and owner
//   about_driver nomsgbox <caption> <ms>              no such message box for that long
//   about_driver dismiss <caption>                    presses the box's OK button
//   about_driver ping <class> [timeout_ms]            whether the window answers messages
//   about_driver watch <class> <ms> <file>            pings the window for that long: the
//                                                     longest time it did not answer, and the
//                                                     file's size right after that time
//   about_driver placement <class>                    the window's rectangle on the screen and
//                                                     the work area of its monitor
//   about_driver cursor                               the handle of the mouse pointer shown
//   about_driver [--any] close <class>                asks the window to close
//
// Texts are printed as UTF-8 with \r, \n, \\ and \" escaped. Exit code 0 on success, 1 on a
// timeout or a missing window, 2 on bad usage.

#include <windows.h>

#include "tests/e2e/driver_text.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

using e2e::ClassName;
using e2e::Escaped;
using e2e::Utf8;
using e2e::Wide;
using e2e::WindowText;

bool g_anyProcess = false;

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// Whether the window belongs to the program under test.
bool OfProgram(HWND hwnd) {
    if (g_anyProcess) return true;
    wchar_t wanted[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"TAVELIN_EXE", wanted, MAX_PATH)) return false;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return false;
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    const BOOL ok = QueryFullProcessImageNameW(process, 0, image, &size);
    CloseHandle(process);
    return ok && Lower(image) == Lower(wanted);
}

std::vector<HWND> TopLevel(const std::wstring& className, const wchar_t* caption = nullptr) {
    std::vector<HWND> found;
    for (HWND h = FindWindowExW(nullptr, nullptr, className.c_str(), caption); h;
         h = FindWindowExW(nullptr, h, className.c_str(), caption)) {
        if (IsWindowVisible(h) && OfProgram(h)) found.push_back(h);
    }
    return found;
}

HWND WaitFor(const std::wstring& className, const wchar_t* caption, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (;;) {
        const auto found = TopLevel(className, caption);
        if (!found.empty()) return found.front();
        if (GetTickCount() - start > timeoutMs) return nullptr;
        Sleep(25);
    }
}

RECT ClientOnScreen(HWND hwnd) {
    RECT r;
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// A child's rectangle in its parent's client coordinates.
RECT ChildRect(HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

HWND Child(HWND parent, int id) { return id == 0 ? parent : GetDlgItem(parent, id); }

int Usage() {
    std::fprintf(stderr, "usage: about_driver [--any] <command> ... (see the source)\n");
    return 2;
}

DWORD Timeout(int argc, char** argv, int at, DWORD fallback) {
    return argc > at ? static_cast<DWORD>(std::strtoul(argv[at], nullptr, 10)) : fallback;
}

int Info(HWND hwnd) {
    const RECT c = ClientOnScreen(hwnd);
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    std::printf("window class=%s caption=\"%s\" client=%ld,%ld,%ld,%ld style=0x%08lx exstyle=0x%08lx owner=%s "
                "enabled=%d\n",
                Escaped(ClassName(hwnd)).c_str(), Escaped(WindowText(hwnd)).c_str(), c.left, c.top,
                c.right - c.left, c.bottom - c.top, static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE)),
                static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE)),
                owner ? Escaped(ClassName(owner)).c_str() : "none", IsWindowEnabled(hwnd) ? 1 : 0);
    // Children in z-order, topmost first.
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const RECT r = ChildRect(child);
        std::printf("child id=%d class=%s text=\"%s\" rect=%ld,%ld,%ld,%ld style=0x%08lx exstyle=0x%08lx\n",
                    GetDlgCtrlID(child), Escaped(ClassName(child)).c_str(), Escaped(WindowText(child)).c_str(),
                    r.left, r.top, r.right - r.left, r.bottom - r.top,
                    static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)),
                    static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE)));
    }
    return 0;
}

// Pixels of a screen rectangle, read the way a screenshot does.
std::vector<COLORREF> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<COLORREF> out;
    if (w <= 0 || h <= 0) return out;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, dib);
    BitBlt(memory, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) {
        const uint32_t v = px[i];
        out.push_back(RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF));
    }
    SelectObject(memory, old);
    DeleteObject(dib);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return out;
}

int Colours(HWND hwnd, int id) {
    HWND control = Child(hwnd, id);
    if (!control) return 1;
    const auto pixels = ScreenPixels(ClientOnScreen(control));
    std::set<COLORREF> distinct(pixels.begin(), pixels.end());
    size_t blue = 0;
    for (COLORREF c : pixels) blue += c == RGB(0, 0, 255);
    std::printf("blue=%zu distinct=%zu total=%zu\n", blue, distinct.size(), pixels.size());
    return 0;
}

int Measure(const char* face, int centipoints, bool underline, const char* text) {
    HDC screen = GetDC(nullptr);
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(centipoints, GetDeviceCaps(screen, LOGPIXELSY), 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = underline;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynW(lf.lfFaceName, Wide(face).c_str(), LF_FACESIZE);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(screen, font);
    const std::wstring s = Wide(text);
    RECT r{0, 0, 0, 0};
    DrawTextW(screen, s.c_str(), static_cast<int>(s.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    wchar_t actual[LF_FACESIZE] = {};
    GetTextFaceW(screen, LF_FACESIZE, actual);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    std::printf("%ld %ld face=%s\n", r.right - r.left, r.bottom - r.top, Escaped(actual).c_str());
    return 0;
}

int MsgBox(HWND box) {
    std::wstring text, buttons;
    int icons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const std::wstring cls = Lower(ClassName(child));
        const LONG style = GetWindowLongW(child, GWL_STYLE);
        if (cls == L"button") {
            buttons += (buttons.empty() ? L"" : L",") + WindowText(child);
        } else if (cls == L"static" && (style & SS_TYPEMASK) == SS_ICON) {
            icons += SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else if (cls == L"static" || cls == L"edit") {
            const std::wstring t = WindowText(child);
            if (!t.empty()) text += t;
        }
    }
    const HWND owner = GetWindow(box, GW_OWNER);
    std::printf("text=\"%s\" buttons=\"%s\" icons=%d owner=%s\n", Escaped(text).c_str(), Escaped(buttons).c_str(),
                icons, owner ? Escaped(ClassName(owner)).c_str() : "none");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int at = 1;
    if (argc > at && std::string(argv[at]) == "--any") {
        g_anyProcess = true;
        ++at;
    }
    if (argc <= at) return Usage();
    const std::string command = argv[at];
    argc -= at;
    argv += at;
    auto cls = [&](int i) { return Wide(argv[i]); };

    if (command == "wait" && argc >= 2) {
        HWND h = WaitFor(cls(1), nullptr, Timeout(argc, argv, 2, 20000));
        if (!h) return 1;
        std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(h)));
        return 0;
    }
    if (command == "gone" && argc >= 2) {
        const DWORD timeout = Timeout(argc, argv, 2, 20000), start = GetTickCount();
        while (!TopLevel(cls(1)).empty()) {
            if (GetTickCount() - start > timeout) return 1;
            Sleep(25);
        }
        return 0;
    }
    if (command == "count" && argc >= 2) {
        std::printf("%zu\n", TopLevel(cls(1)).size());
        return 0;
    }
    if (command == "measure" && argc >= 5) return Measure(argv[1], std::atoi(argv[2]), std::atoi(argv[3]) != 0, argv[4]);
    if (command == "msgbox" && argc >= 2) {
        HWND box = WaitFor(L"#32770", cls(1).c_str(), Timeout(argc, argv, 2, 20000));
        return box ? MsgBox(box) : 1;
    }
    if (command == "nomsgbox" && argc >= 3) {
        return WaitFor(L"#32770", cls(1).c_str(), Timeout(argc, argv, 2, 0)) ? 1 : 0;
    }
    if (command == "cursor") {
        // Another process's cursor cannot be read back under Wine, only told apart by handle.
        CURSORINFO info{};
        info.cbSize = sizeof info;
        if (!GetCursorInfo(&info) || !info.hCursor) return 1;
        std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(info.hCursor)));
        return 0;
    }
    if (command == "dismiss" && argc >= 2) {
        HWND box = WaitFor(L"#32770", cls(1).c_str(), 5000);
        if (!box) return 1;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        const DWORD start = GetTickCount();
        while (IsWindow(box)) {
            if (GetTickCount() - start > 5000) return 1;
            Sleep(25);
        }
        return 0;
    }

    if (argc < 2) return Usage();
    const auto windows = TopLevel(cls(1));
    if (windows.empty()) {
        std::fprintf(stderr, "no visible %s window\n", argv[1]);
        return 1;
    }
    HWND hwnd = windows.front();
    if (command == "info") return Info(hwnd);
    if (command == "rect" && argc >= 3) {
        HWND control = Child(hwnd, std::atoi(argv[2]));
        if (!control) return 1;
        const RECT r = ClientOnScreen(control);
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (command == "colours" && argc >= 3) return Colours(hwnd, std::atoi(argv[2]));
    if (command == "placement") {
        RECT window{};
        GetWindowRect(hwnd, &window);
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return 1;
        const RECT& work = monitor.rcWork;
        std::printf("window=%ld,%ld,%ld,%ld work=%ld,%ld,%ld,%ld\n", window.left, window.top, window.right,
                    window.bottom, work.left, work.top, work.right, work.bottom);
        return 0;
    }
    if (command == "ping") {
        DWORD_PTR ignored = 0;
        const bool answered = SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                                  Timeout(argc, argv, 2, 1000), &ignored) != 0;
        std::printf("%s\n", answered ? "responsive" : "busy");
        return answered ? 0 : 1;
    }
    if (command == "watch" && argc >= 4) {
        const DWORD length = Timeout(argc, argv, 2, 0), start = GetTickCount();
        const std::wstring file = Wide(argv[3]);
        DWORD longest = 0;
        long long sizeAfter = -1;
        while (GetTickCount() - start < length) {
            const DWORD t0 = GetTickCount();
            DWORD_PTR ignored = 0;
            SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_BLOCK, 10000, &ignored);
            const DWORD took = GetTickCount() - t0;
            if (took > longest) {
                longest = took;
                WIN32_FILE_ATTRIBUTE_DATA data{};
                sizeAfter = GetFileAttributesExW(file.c_str(), GetFileExInfoStandard, &data)
                                ? (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow
                                : 0;
            }
            // Room for the program to read its input between two questions.
            Sleep(50);
        }
        std::printf("longest_ms=%lu size_after=%lld\n", static_cast<unsigned long>(longest), sizeAfter);
        return 0;
    }
    if (command == "close") {
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
        return 0;
    }
    return Usage();
}
