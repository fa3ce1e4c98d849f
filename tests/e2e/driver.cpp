// The end-to-end scenarios' window driver: reads and drives the program's live windows from
// another process in the same Wine prefix, and asks the system what the program would get.
//
//   driver [--any] <verb> <arguments...>
//
// Every answer is a few lines "key=value" (texts with \r, \n and \\ escaped, so that a line is
// one value); lib.sh reads them with `ask` and `answer`. Exit code 0 on success, 1 on a timeout,
// a missing window or a refusal, 2 on bad usage.
//
// <window> is a role (result, wait, about, effect: the program's windows; box: a message box) or
// a window class (Notepad). While TAVELIN_EXE names the program under test (its Windows path)
// only its windows count; --any lifts that for one command. A verb that acts on one window takes
// the first visible one of its class, else the first hidden one. <control> is a control's name
// (kControls below: result ok, about licence, ...) or "window" for the window itself.
//
// Windows
//   wait <window> [ms]            a visible top-level window appears (default 30000 ms)
//   settle <window> [ms]          waits until the window's thread has taken the input that came
//                                 before: the window is repainted whole, which its thread does only
//                                 once no input is left (default 10000 ms)
//   ready <window> [ms]           a visible top-level window is there and takes input: enabled, in
//                                 the foreground, its thread answers and neither it nor any of its
//                                 controls has anything left to paint (default 30000 ms)
//   gone <window> [ms]            no window of the class is left, visible or not
//   wait-caption <window> <text> [ms]
//                                 a visible top-level window of the class has a caption that holds
//                                 the text (default 20000 ms): caption=<the caption last seen>
//   count <window>                count=<visible top-level windows of the class>
//   window <window>               caption= rect=l,t,r,b client=l,t,r,b (on the screen) owner=<class>|none
//                                 enabled=0|1 visible=0|1
//   state <window>                the window and each of its controls (class, text, place, style,
//                                 visibility), to tell whether anything changed
//   rect <window> <control>       rect=x,y,width,height: the control's client area on the screen
//   placement <window>            window=l,t,r,b work=l,t,r,b (the work area of its monitor)
//   text                          text=<the result window's text>
//   focus <window>                focus=<the control with the focus in the window's thread>
//   wait-focus <window> <control> [ms]
//                                 waits until the control has the focus and the window has
//                                 repainted (default 10000 ms): focus=<the control last seen>
//   selection <window> <control>  selection=from,to (an edit control's)
//   frames                        frames=<frames the wait window's clip has painted>
//   colours <window> <control>    distinct=<colours the control shows on the screen>
//   wait-colours <window> <control> <op> <n> [ms]
//                                 waits until the colours the control shows compare to n with op
//                                 (eq, ne, gt; default 10000 ms): distinct=<the count last seen>
//   cursor                        cursor=<the handle of the mouse pointer shown>
//   ping <window> [ms]            answer=responsive, or answer=busy (exit 1) when it does not answer
//   watch <window> <ms> <file>    watching=1, then asks the window again and again for that long: longest_ms=<the
//                                 longest it did not answer> size_after=<the file's size right then>
//   pid <window>                  pid=<its process>
//   cwd <window>                  cwd=<its process's current folder, from the process parameters>
// Input
//   click <window> <control>      posts a button click
//   close <window>                asks the window to close (WM_CLOSE)
//   sysclose <window>             the system menu's Close (WM_SYSCOMMAND SC_CLOSE)
//   close-on-sight <window> [ms]  waits for a window of the class, shown or not, and asks it to
//                                 close the moment it exists: seen=hidden|visible as it was then
//   post <window> <control> <msg> <wparam> <lparam>
//                                 posts any message, as any program may; numbers in C notation
//   quit <window> [code]          posts WM_QUIT to the window's thread (default code 0)
//   hold-foreground [ms]          a window of this process's own takes the foreground, as the
//                                 program the user went on in (foreground=1 when it got it
//                                 before the result showed); then, until the result window shows
//                                 and the result reaches the user (default 60000 ms):
//                                 result=front (in the foreground) or result=button (the
//                                 application window shows a taskbar button); exit 1 on neither
//   end-session                   what Windows sends at a logoff: WM_QUERYENDSESSION to every
//                                 top-level window of the program (query=1 when all agree),
//                                 then WM_ENDSESSION
//   msgbox <caption> [ms]         waits for a message box: text= buttons=B,... icons=N owner=<class>|none
//   nomsgbox <caption> <ms>       no such message box appears for that long (exit 1 if one does)
//   dismiss <caption>             presses the box's OK button and waits until it is gone
// Screen readers (Active Accessibility, asked from this process as a screen reader asks)
//   accessible <window> <control> role= name= state=0x.. action= location=x,y,w,h children=
//   do-default <window> <control> follows the control's default action (exit 1 when refused)
//   focus-events <ms>             ready=1, then for that long focus=<control> for every focus
//                                 event the About window's process raises
// The system
//   result-text <error> <stage>   text=<the result text the program must show for that outcome:
//                                 "Error: <n>:" CR LF and FormatMessage's text for n (its text
//                                 alone when n is 0), then CR LF "Internal error code: <stage>"
//                                 unless the stage is 8, every step done>
//   face <name>                   face=<the face a screen DC gets when it asks for that font>
//   open-volume <X:>              opens \\.\X: for writing: exit 0, or error=N
//   hold-volume <X:> <ms>         opens \\.\X: for reading and writing, sharing both, as other
//                                 programs on the drive may; held=1, and keeps it that long
//   open-alone <path>...          opens each file for reading with no sharing, which fails while
//                                 anyone else has it open: <path>=ok|error N; exit 0 when all opened
//   hold <path> <ms>              opens the file with no sharing; held=1, and keeps it that long
//   desktop-shell [ms]            waits until the desktop's shell answers (ShellWindows finds the
//                                 desktop), default 30000 ms

#include <windows.h>
#include <exdisp.h>
#include <oleacc.h>
#include <shlobj.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/window_names.h"
#include "tests/support/handles.h"
#include "tests/support/text.h"
#include "win/animation.h"
#include "win/com.h"
#include "win/handles.h"

namespace {

namespace names = app::names;
using test_support::Caption;
using test_support::ChildRect;
using test_support::ClassName;
using test_support::ClientOnScreen;
using test_support::Utf8;
using test_support::Wide;
using test_support::WindowText;

bool g_anyProcess = false;

// The controls by what they are, per window.
struct NamedControl {
    const char* window;
    const char* name;
    int id;
};
constexpr NamedControl kControls[] = {
    {"wait", "clip", names::kWaitClip},
    {"result", "text", names::kResultText},
    {"result", "info", names::kInfoButton},
    {"result", "ok", names::kOkButton},
    {"about", "icon", names::kIcon},
    {"about", "version", names::kVersion},
    {"about", "language", names::kLanguage},
    {"about", "update-note", names::kUpdateNote},
    {"about", "clip-frame", names::kClipFrame},
    {"about", "clip", names::kAboutClip},
    {"about", "home-page", names::kHomePageLink},
    {"about", "photo", names::kPhoto},
    {"about", "rights", names::kRightsNotice},
    {"about", "sound-spot", names::kSoundSpot},
    {"about", "licence", names::kLicenceLink},
    {"about", "readme", names::kReadmeLink},
    {"about", "effect", names::kEffectLink},
    {"box", "ok", IDOK},
};

std::string Escaped(const std::wstring& text) {
    std::string out;
    for (char c : Utf8(text)) {
        switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

void Say(const std::string& key, const std::string& value) { std::printf("%s=%s\n", key.c_str(), value.c_str()); }
void Say(const std::string& key, const std::wstring& value) { Say(key, Escaped(value)); }
void Say(const std::string& key, long long value) { Say(key, std::to_string(value)); }
std::string Hex(unsigned long long value) {
    char text[32];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}
std::string Rect(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}
std::string Xywh(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
           std::to_string(r.bottom - r.top);
}

[[noreturn]] void Usage(const std::string& why) {
    std::fprintf(stderr, "driver: %s (the verbs are listed at the top of driver.cpp)\n", why.c_str());
    std::exit(2);
}
[[noreturn]] void Missing(const std::string& what) {
    std::fprintf(stderr, "driver: %s\n", what.c_str());
    std::exit(1);
}

std::wstring ClassOfRole(const std::string& window) {
    if (window == "result") return names::kResultWindowClass;
    if (window == "wait") return names::kWaitWindowClass;
    if (window == "about") return names::kAboutWindowClass;
    if (window == "effect") return names::kScreenEffectWindowClass;
    if (window == "box") return L"#32770";
    return Wide(window.c_str());
}

std::wstring Lower(std::wstring s) {
    CharLowerBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// Whether the window belongs to the program under test.
bool OfProgram(HWND hwnd) {
    static const std::wstring wanted = [] {
        wchar_t path[MAX_PATH] = {};
        SetLastError(0);
        const DWORD n = GetEnvironmentVariableW(L"TAVELIN_EXE", path, MAX_PATH);
        if (n == 0 && GetLastError() != ERROR_ENVVAR_NOT_FOUND) Usage("TAVELIN_EXE is empty");
        return Lower(path);
    }();
    if (g_anyProcess || wanted.empty()) return true;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const test_support::UniqueHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid));
    wchar_t image[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    return process && QueryFullProcessImageNameW(process.get(), 0, image, &size) && Lower(image) == wanted;
}

std::vector<HWND> TopLevel(const std::wstring& className, bool visibleOnly, const wchar_t* caption = nullptr) {
    std::vector<HWND> found;
    for (HWND h = FindWindowExW(nullptr, nullptr, className.c_str(), caption); h;
         h = FindWindowExW(nullptr, h, className.c_str(), caption)) {
        if ((!visibleOnly || IsWindowVisible(h)) && OfProgram(h)) found.push_back(h);
    }
    return found;
}

// Polls until `done` holds; false after the timeout.
template <class Done>
bool WaitUntil(DWORD timeoutMs, Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

// Like WaitUntil, handling this thread's own window's messages meanwhile.
template <class Done>
bool PumpUntil(DWORD timeoutMs, Done done) {
    return WaitUntil(timeoutMs, [&] {
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
        return done();
    });
}

// Whether neither the window nor any of its descendants has anything left to paint.
bool Painted(HWND hwnd) {
    if (GetUpdateRect(hwnd, nullptr, FALSE)) return false;
    bool painted = true;
    EnumChildWindows(
        hwnd,
        [](HWND child, LPARAM all) {
            if (IsWindowVisible(child) && GetUpdateRect(child, nullptr, FALSE)) *reinterpret_cast<bool*>(all) = false;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&painted));
    return painted;
}

// Whether the window's thread takes messages (a sent message comes back).
bool Answers(HWND hwnd) {
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutW(hwnd, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &ignored) != 0;
}

// What keeps the window from taking input (shown, enabled, in front, answering and fully
// painted), or "" when nothing does.
const char* Unready(HWND hwnd) {
    if (!IsWindowVisible(hwnd)) return "hidden";
    if (!IsWindowEnabled(hwnd)) return "disabled";
    if (GetForegroundWindow() != hwnd) return "not in the foreground";
    if (!Answers(hwnd)) return "not answering";
    if (!Painted(hwnd)) return "not painted";
    return "";
}

// The control with the focus in the window's thread, "window" when none has, empty when unknown.
std::string FocusIn(HWND hwnd);

// The result text for an outcome as the program must show it, from the system's own text.
std::wstring ExpectedResultText(std::int32_t error, long stage) {
    std::wstring systemText(2560, L'\0');
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(error), 0, systemText.data(),
                                   static_cast<DWORD>(systemText.size()), nullptr);
    systemText.resize(n);
    std::wstring text = error != 0 ? L"Error: " + std::to_wstring(error) + L":\r\n" + systemText : systemText;
    constexpr long kEveryStepDone = 8;
    if (stage != kEveryStepDone) text += L"\r\nInternal error code: " + std::to_wstring(stage);
    return text;
}

int HoldForeground(DWORD limit) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"AnotherProgram";
    RegisterClassW(&wc);
    const HWND own = CreateWindowExW(0, wc.lpszClassName, L"Another program", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                     600, 450, 300, 200, nullptr, nullptr, wc.hInstance, nullptr);
    SetForegroundWindow(own);
    const bool held = PumpUntil(5000, [&] { return GetForegroundWindow() == own; });
    Say("foreground", held && TopLevel(ClassOfRole("result"), true).empty() ? 1 : 0);
    std::string reached;
    PumpUntil(limit, [&] {
        const auto result = TopLevel(ClassOfRole("result"), true);
        if (result.empty()) return false;
        if (GetForegroundWindow() == result.front()) {
            reached = "front";
        } else {
            for (HWND app : TopLevel(names::kApplicationWindowClass, true)) {
                if (!GetWindow(app, GW_OWNER) && !(GetWindowLongPtrW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW)) reached = "button";
            }
        }
        return !reached.empty();
    });
    DestroyWindow(own);
    if (reached.empty()) return 1;
    return Say("result", reached), 0;
}

int EndSession() {
    std::vector<HWND> windows;
    EnumWindows(
        [](HWND h, LPARAM list) {
            if (OfProgram(h)) reinterpret_cast<std::vector<HWND>*>(list)->push_back(h);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&windows));
    bool agreed = !windows.empty();
    for (HWND h : windows) {
        DWORD_PTR answer = 0;
        agreed = SendMessageTimeoutW(h, WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &answer) &&
                 answer && agreed;
    }
    Say("query", agreed ? 1 : 0);
    // The program may end inside the first of these: the others then fail, as at a real logoff.
    for (HWND h : windows) {
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(h, WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_ABORTIFHUNG, 5000, &ignored);
    }
    return 0;
}

HWND WaitForBox(const std::wstring& caption, DWORD timeoutMs) {
    HWND box = nullptr;
    WaitUntil(timeoutMs, [&] {
        const auto boxes = TopLevel(L"#32770", true, caption.c_str());
        box = boxes.empty() ? nullptr : boxes.front();
        return box != nullptr;
    });
    return box;
}

// The window a verb acts on: the first visible one of the class, else the first hidden one.
HWND Require(const std::string& window) {
    const std::wstring className = ClassOfRole(window);
    auto found = TopLevel(className, true);
    if (found.empty()) found = TopLevel(className, false);
    if (found.empty()) Missing("no " + window + " window");
    return found.front();
}

HWND RequireControl(const std::string& window, const std::string& control) {
    const HWND parent = Require(window);
    if (control == "window") return parent;
    for (const NamedControl& c : kControls) {
        if (window == c.window && control == c.name) {
            if (HWND child = GetDlgItem(parent, c.id)) return child;
            Missing("no control " + control + " in the " + window + " window");
        }
    }
    Usage("no control named " + control + " in the " + window + " window");
}

// A control's name, or its id when it has none.
std::string NameOf(HWND control) {
    const int id = GetDlgCtrlID(control);
    const std::wstring parentClass = ClassName(GetParent(control));
    for (const NamedControl& c : kControls) {
        if (c.id == id && ClassOfRole(c.window) == parentClass) return c.name;
    }
    return std::to_string(id);
}

std::string FocusIn(HWND hwnd) {
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, nullptr), &thread)) return "";
    const bool isControl = thread.hwndFocus && (GetWindowLongPtrW(thread.hwndFocus, GWL_STYLE) & WS_CHILD);
    return isControl ? NameOf(thread.hwndFocus) : "window";
}

std::string OwnerClass(HWND hwnd) {
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    return owner ? Escaped(ClassName(owner)) : "none";
}

unsigned long long Style(HWND hwnd, int which) {
    return static_cast<unsigned long>(GetWindowLongPtrW(hwnd, which));
}

int WindowAnswer(HWND hwnd) {
    RECT window;
    GetWindowRect(hwnd, &window);
    Say("caption", Caption(hwnd));
    Say("rect", Rect(window));
    Say("client", Rect(ClientOnScreen(hwnd)));
    Say("owner", OwnerClass(hwnd));
    Say("enabled", IsWindowEnabled(hwnd) ? 1 : 0);
    Say("visible", IsWindowVisible(hwnd) ? 1 : 0);
    return 0;
}

int State(HWND hwnd) {
    WindowAnswer(hwnd);
    Say("style", Hex(Style(hwnd, GWL_STYLE)));
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string name = NameOf(child);
        Say(name + ".class", ClassName(child));
        Say(name + ".text", WindowText(child));
        Say(name + ".rect", Rect(ChildRect(child)));
        Say(name + ".style", Hex(Style(child, GWL_STYLE)));
        Say(name + ".visible", IsWindowVisible(child) ? 1 : 0);
    }
    return 0;
}

// The distinct colours of a screen rectangle, read the way a screenshot does.
std::size_t DistinctColours(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) return 0;
    const win::WindowDc screen(nullptr);
    const win::UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    const win::UniqueBitmap dib(CreateDIBSection(screen.get(), &bi, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!memory || !dib) return 0;
    const win::SelectedObject selected(memory.get(), dib.get());
    BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    return std::set<uint32_t>(px, px + static_cast<std::ptrdiff_t>(w) * h).size();
}

int Face(const std::wstring& name) {
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    const win::WindowDc screen(nullptr);
    const win::UniqueFont font(CreateFontIndirectW(&lf));
    const win::SelectedObject selected(screen.get(), font.get());
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen.get(), LF_FACESIZE, face);
    Say("face", std::wstring(face));
    return 0;
}

int MsgBox(HWND box) {
    std::wstring text, buttons;
    int icons = 0;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const std::wstring cls = Lower(ClassName(child));
        const LONG_PTR style = GetWindowLongPtrW(child, GWL_STYLE);
        if (cls == L"button") {
            buttons += (buttons.empty() ? L"" : L",") + WindowText(child);
        } else if (cls == L"static" && (style & SS_TYPEMASK) == SS_ICON) {
            icons += SendMessageW(child, STM_GETICON, 0, 0) != 0;
        } else if (cls == L"static" || cls == L"edit") {
            text += WindowText(child);
        }
    }
    Say("text", text);
    Say("buttons", buttons);
    Say("icons", icons);
    Say("owner", OwnerClass(box));
    return 0;
}

int Placement(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return 1;
    Say("window", Rect(window));
    Say("work", Rect(monitor.rcWork));
    return 0;
}

int Watch(HWND hwnd, DWORD length, const std::wstring& file) {
    Say("watching", 1);
    std::fflush(stdout);
    const DWORD start = GetTickCount();
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
    Say("longest_ms", longest);
    Say("size_after", sizeAfter);
    return 0;
}

win::UniqueFile OpenWithNoSharing(const std::wstring& path) {
    return win::UniqueFile(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Holds what `open` gives for `ms` after saying so; error=N when it cannot.
int Hold(win::UniqueFile file, DWORD ms) {
    if (!file) {
        Say("error", GetLastError());
        return 1;
    }
    Say("held", 1);
    std::fflush(stdout);
    Sleep(ms);
    return 0;
}

win::UniqueFile OpenVolume(const std::wstring& drive, DWORD share) {
    return win::UniqueFile(CreateFileW((L"\\\\.\\" + drive).c_str(), GENERIC_READ | GENERIC_WRITE, share, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
}

// Whether the desktop's shell answers as the program asks it: ShellWindows, then the desktop.
bool DesktopShellAnswers(const win::Ole32& ole32) {
    constexpr CLSID kShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
    const auto windows = win::Obtain<IShellWindows>([&](IShellWindows** out) {
        return ole32.CoCreateInstance(kShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                      reinterpret_cast<void**>(out));
    });
    if (!windows) return false;
    const auto desktop = win::Obtain<IDispatch>([&](IDispatch** out) {
        VARIANT location{};
        location.vt = VT_I4;
        location.lVal = CSIDL_DESKTOP;
        VARIANT root{};
        long hwnd = 0;
        return windows.get()->FindWindowSW(&location, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, out);
    });
    return static_cast<bool>(desktop);
}

DWORD ProcessOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return pid;
}

// The current folder of another process, from its process parameters (x64 layout: the PEB's
// ProcessParameters at 0x20, their CurrentDirectory.DosPath at 0x38).
int CurrentFolderOf(HWND hwnd) {
    const test_support::UniqueHandle process(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ProcessOf(hwnd)));
    if (!process) return 1;
    using Query = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (!query || query(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0) return 1;
    const auto read = [&](std::uintptr_t at, void* into, std::size_t size) {
        SIZE_T got = 0;
        return ReadProcessMemory(process.get(), reinterpret_cast<void*>(at), into, size, &got) && got == size;
    };
    std::uintptr_t parameters = 0;
    UNICODE_STRING folder{};
    if (!read(reinterpret_cast<std::uintptr_t>(basic.PebBaseAddress) + 0x20, &parameters, sizeof parameters) ||
        !read(parameters + 0x38, &folder, sizeof folder)) {
        return 1;
    }
    std::wstring text(folder.Length / sizeof(wchar_t), L'\0');
    if (!read(reinterpret_cast<std::uintptr_t>(folder.Buffer), text.data(), folder.Length)) return 1;
    Say("cwd", text);
    return 0;
}

// The control's accessible object and the question "about itself" that every property takes.
struct Accessible {
    win::ComPtr<IAccessible> object;
    VARIANT self{};
    explicit Accessible(HWND control)
        : object(win::Obtain<IAccessible>([&](IAccessible** out) {
              return AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                reinterpret_cast<void**>(out));
          })) {
        self.vt = VT_I4;
        self.lVal = CHILDID_SELF;
    }
    // A text property: `get` fills a BSTR; empty when it fails.
    template <class Get>
    std::wstring Text(Get get) const {
        BSTR text = nullptr;
        const HRESULT hr = get(&text);
        std::wstring out = SUCCEEDED(hr) && text ? std::wstring(text) : L"";
        SysFreeString(text);
        return out;
    }
};

int AccessibleAnswer(HWND control) {
    const Accessible a(control);
    if (!a.object) return 1;
    IAccessible* o = a.object.get();
    VARIANT role{}, state{};
    o->get_accRole(a.self, &role);
    o->get_accState(a.self, &state);
    long x = 0, y = 0, w = 0, h = 0, children = -1;
    o->accLocation(&x, &y, &w, &h, a.self);
    o->get_accChildCount(&children);
    Say("role", role.vt == VT_I4 ? role.lVal : -1);
    Say("name", a.Text([&](BSTR* out) { return o->get_accName(a.self, out); }));
    Say("state", Hex(state.vt == VT_I4 ? static_cast<unsigned long>(state.lVal) : 0));
    Say("action", a.Text([&](BSTR* out) { return o->get_accDefaultAction(a.self, out); }));
    Say("location", std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(w) + "," + std::to_string(h));
    Say("children", children);
    return 0;
}

int DoDefault(HWND control) {
    const Accessible a(control);
    return a.object && a.object.get()->accDoDefaultAction(a.self) == S_OK ? 0 : 1;
}

void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object != OBJID_CLIENT || child != CHILDID_SELF || !hwnd) return;
    Say("focus", NameOf(hwnd));
    std::fflush(stdout);
}

int FocusEvents(HWND ofProgram, DWORD ms) {
    const HWINEVENTHOOK hook = SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent,
                                               ProcessOf(ofProgram), 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return 1;
    Say("ready", 1);
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
    UnhookWinEvent(hook);
    return 0;
}

// Asks a window for a number it answers; exit 1 when it does not answer.
int Answer(const std::string& key, HWND hwnd, UINT msg) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(hwnd, msg, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer)) return 1;
    Say(key, static_cast<long long>(answer));
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    int at = 1;
    if (argc > at && std::string(argv[at]) == "--any") {
        g_anyProcess = true;
        ++at;
    }
    if (argc <= at) Usage("no verb");
    const std::string verb = argv[at];
    const std::vector<std::string> args(argv + at + 1, argv + argc);
    const auto arg = [&](size_t i) -> const std::string& {
        if (i >= args.size()) Usage("too few arguments for " + verb);
        return args[i];
    };
    const auto number = [&](size_t i, long fallback) {
        return i < args.size() ? std::strtol(args[i].c_str(), nullptr, 0) : fallback;
    };
    const auto ms = [&](size_t i, DWORD fallback) { return static_cast<DWORD>(number(i, static_cast<long>(fallback))); };
    const auto window = [&] { return Require(arg(0)); };
    const auto control = [&] { return RequireControl(arg(0), arg(1)); };
    const auto withCom = [](const std::function<int(const win::Ole32&)>& body) {
        const win::Ole32 ole32;
        const win::ComApartment apartment = win::EnterApartment(ole32);
        return body(ole32);
    };

    const std::map<std::string, std::function<int()>> verbs = {
        // Windows
        {"wait", [&] {
             const std::wstring cls = ClassOfRole(arg(0));
             return WaitUntil(ms(1, 30000), [&] { return !TopLevel(cls, true).empty(); }) ? 0 : 1;
         }},
        {"settle", [&] {
             const HWND hwnd = window();
             const DWORD start = GetTickCount(), limit = ms(1, 10000);
             // A window busy in its handler (a sound played to its end) answers once it is done.
             if (!WaitUntil(limit, [&] { return Answers(hwnd); })) return 1;
             RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN);
             return WaitUntil(limit - std::min(limit, GetTickCount() - start), [&] { return Painted(hwnd); }) ? 0 : 1;
         }},
        {"ready", [&] {
             const std::wstring cls = ClassOfRole(arg(0));
             const DWORD start = GetTickCount();
             const char* lacking = "";
             if (WaitUntil(ms(1, 30000), [&] {
                     const auto found = TopLevel(cls, true);
                     lacking = found.empty() ? "no visible window" : Unready(found.front());
                     return !*lacking;
                 })) {
                 return 0;
             }
             std::fprintf(stderr, "driver: ready %s: after %lu ms still %s\n", arg(0).c_str(), GetTickCount() - start,
                          lacking);
             return 1;
         }},
        {"gone", [&] {
             const std::wstring cls = ClassOfRole(arg(0));
             return WaitUntil(ms(1, 30000), [&] { return TopLevel(cls, false).empty(); }) ? 0 : 1;
         }},
        {"wait-caption", [&] {
             const std::wstring cls = ClassOfRole(arg(0)), wanted = Wide(arg(1).c_str());
             std::wstring seen;
             const bool found = WaitUntil(ms(2, 20000), [&] {
                 for (HWND h : TopLevel(cls, true)) {
                     seen = Caption(h);
                     if (seen.find(wanted) != std::wstring::npos) return true;
                 }
                 return false;
             });
             Say("caption", seen);
             return found ? 0 : 1;
         }},
        {"count", [&] { return Say("count", static_cast<long long>(TopLevel(ClassOfRole(arg(0)), true).size())), 0; }},
        {"window", [&] { return WindowAnswer(window()); }},
        {"state", [&] { return State(window()); }},
        {"rect", [&] { return Say("rect", Xywh(ClientOnScreen(control()))), 0; }},
        {"placement", [&] { return Placement(window()); }},
        {"text", [&] {
             return Say("text", WindowText(RequireControl("result", "text"), 10000)), 0;
         }},
        {"focus", [&] {
             const std::string focus = FocusIn(window());
             if (focus.empty()) return 1;
             return Say("focus", focus), 0;
         }},
        {"wait-focus", [&] {
             const HWND hwnd = window();
             const std::string wanted = arg(1);
             std::string focus;
             const bool reached = WaitUntil(ms(2, 10000), [&] {
                 focus = FocusIn(hwnd);
                 return focus == wanted && Painted(hwnd);
             });
             Say("focus", focus);
             return reached ? 0 : 1;
         }},
        {"selection", [&] {
             DWORD_PTR range = 0;
             if (!SendMessageTimeoutW(control(), EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &range)) return 1;
             return Say("selection", std::to_string(LOWORD(range)) + "," + std::to_string(HIWORD(range))), 0;
         }},
        {"frames", [&] { return Answer("frames", RequireControl("wait", "clip"), win::ANM_FRAMESPAINTED); }},
        {"colours", [&] { return Say("distinct", static_cast<long long>(DistinctColours(ClientOnScreen(control())))), 0; }},
        {"wait-colours", [&] {
             const HWND hwnd = control();
             const std::string op = arg(2);
             const auto n = static_cast<std::size_t>(number(3, 0));
             if (op != "eq" && op != "ne" && op != "gt") Usage("no comparison " + op);
             std::size_t distinct = 0;
             const bool reached = WaitUntil(ms(4, 10000), [&] {
                 distinct = DistinctColours(ClientOnScreen(hwnd));
                 return op == "eq" ? distinct == n : op == "ne" ? distinct != n : distinct > n;
             });
             Say("distinct", static_cast<long long>(distinct));
             return reached ? 0 : 1;
         }},
        {"cursor", [&] {
             // Another process's cursor cannot be read back under Wine, only told apart by handle.
             CURSORINFO info{};
             info.cbSize = sizeof info;
             if (!GetCursorInfo(&info) || !info.hCursor) return 1;
             return Say("cursor", Hex(reinterpret_cast<uintptr_t>(info.hCursor))), 0;
         }},
        {"ping", [&] {
             DWORD_PTR ignored = 0;
             const bool answered = SendMessageTimeoutW(window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                                       ms(1, 1000), &ignored) != 0;
             Say("answer", answered ? "responsive" : "busy");
             return answered ? 0 : 1;
         }},
        {"watch", [&] { return Watch(window(), ms(1, 0), Wide(arg(2).c_str())); }},
        {"pid", [&] { return Say("pid", ProcessOf(window())), 0; }},
        {"cwd", [&] { return CurrentFolderOf(window()); }},
        // Input
        {"click", [&] { return PostMessageW(control(), BM_CLICK, 0, 0) ? 0 : 1; }},
        {"close", [&] { return PostMessageW(window(), WM_CLOSE, 0, 0) ? 0 : 1; }},
        {"sysclose", [&] { return PostMessageW(window(), WM_SYSCOMMAND, SC_CLOSE, 0) ? 0 : 1; }},
        {"close-on-sight", [&] {
             const std::wstring cls = ClassOfRole(arg(0));
             std::vector<HWND> found;
             const DWORD start = GetTickCount();
             // No sleep between looks: the window may exist for a few milliseconds before its show.
             // Every window of the class is looked at, not the first alone: one of another process
             // (an earlier run's, on its way out) may come first.
             while ((found = TopLevel(cls, false)).empty()) {
                 if (GetTickCount() - start > ms(1, 30000)) {
                     std::fprintf(stderr, "driver: close-on-sight %s: after %lu ms no window of the program\n",
                                  arg(0).c_str(), GetTickCount() - start);
                     return 1;
                 }
             }
             const HWND target = found.front();
             const bool visible = IsWindowVisible(target);
             PostMessageW(target, WM_CLOSE, 0, 0);
             return Say("seen", visible ? "visible" : "hidden"), 0;
         }},
        {"post", [&] {
             const auto value = [&](size_t i) { return std::strtoull(arg(i).c_str(), nullptr, 0); };
             return PostMessageW(control(), static_cast<UINT>(value(2)), static_cast<WPARAM>(value(3)),
                                 static_cast<LPARAM>(value(4)))
                        ? 0
                        : 1;
         }},
        {"hold-foreground", [&] { return HoldForeground(ms(0, 60000)); }},
        {"end-session", [&] { return EndSession(); }},
        {"quit", [&] {
             const DWORD thread = GetWindowThreadProcessId(window(), nullptr);
             return PostThreadMessageW(thread, WM_QUIT, static_cast<WPARAM>(number(1, 0)), 0) ? 0 : 1;
         }},
        {"msgbox", [&] {
             const HWND box = WaitForBox(Wide(arg(0).c_str()), ms(1, 20000));
             return box ? MsgBox(box) : 1;
         }},
        {"nomsgbox", [&] { return WaitForBox(Wide(arg(0).c_str()), ms(1, 0)) ? 1 : 0; }},
        {"dismiss", [&] {
             const HWND box = WaitForBox(Wide(arg(0).c_str()), 5000);
             if (!box) return 1;
             PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
             return WaitUntil(5000, [&] { return !IsWindow(box); }) ? 0 : 1;
         }},
        // Screen readers
        {"accessible", [&] { return withCom([&](const win::Ole32&) { return AccessibleAnswer(control()); }); }},
        {"do-default", [&] { return withCom([&](const win::Ole32&) { return DoDefault(control()); }); }},
        {"focus-events", [&] { return FocusEvents(Require("about"), ms(0, 0)); }},
        // The system
        {"result-text", [&] {
             return Say("text", ExpectedResultText(static_cast<std::int32_t>(number(0, 0)), number(1, 0))), 0;
         }},
        {"face", [&] { return Face(Wide(arg(0).c_str())); }},
        {"open-volume", [&] {
             if (OpenVolume(Wide(arg(0).c_str()), FILE_SHARE_READ | FILE_SHARE_WRITE)) return 0;
             return Say("error", GetLastError()), 1;
         }},
        {"hold-volume", [&] {
             return Hold(OpenVolume(Wide(arg(0).c_str()), FILE_SHARE_READ | FILE_SHARE_WRITE), ms(1, 0));
         }},
        {"open-alone", [&] {
             int failed = 0;
             for (const std::string& path : args) {
                 if (OpenWithNoSharing(Wide(path.c_str()))) {
                     Say(path, "ok");
                 } else {
                     Say(path, "error " + std::to_string(GetLastError()));
                     ++failed;
                 }
             }
             return failed ? 1 : 0;
         }},
        {"hold", [&] { return Hold(OpenWithNoSharing(Wide(arg(0).c_str())), ms(1, 0)); }},
        {"desktop-shell", [&] {
             return withCom([&](const win::Ole32& ole32) {
                 return WaitUntil(ms(0, 30000), [&] { return DesktopShellAnswers(ole32); }) ? 0 : 1;
             });
         }},
    };
    const auto found = verbs.find(verb);
    if (found == verbs.end()) Usage("unknown verb " + verb);
    return found->second();
}
