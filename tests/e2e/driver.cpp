// The end-to-end scenarios' window driver: reads and drives the program's live windows from
// another process in the same Wine prefix, and asks the system what the program would get.
//
//   driver [--any] <verb> <arguments...>
//
// <window> is a role (result, wait, about, effect: the program's windows; box: a message box) or
// a window class (Notepad). While TAVELIN_EXE names the program under test (its Windows path)
// only its windows count; --any lifts that for one command. A verb that acts on one window takes
// the first visible one of its class, else the first hidden one.
//
// Windows
//   wait <window> [ms]            a visible top-level window appears (default 30000 ms)
//   gone <window> [ms]            no window of the class is left, visible or not
//   count <window>                visible top-level windows of the class
//   info <window>                 the window, then its children in z-order (topmost first):
//     window class=C caption="T" rect=l,t,r,b client=l,t,r,b style=0xS exstyle=0xE owner=C|none enabled=0|1 visible=0|1
//     child id=N class=C text="T" rect=l,t,r,b style=0xS exstyle=0xE visible=0|1
//                                 (window and client on the screen; a child in its parent's client area)
//   rect <window> <id>            a child's client area on the screen, "x y width height" (id 0:
//                                 the window's own)
//   placement <window>            window=l,t,r,b work=l,t,r,b (the work area of its monitor)
//   text                          the result window's text
//   focus <window>                the id of the control with the focus in the window's thread
//   selection <window> <id>       an edit control's selection, "from,to"
//   frames                        frames the wait window's clip has painted
//   colours <window> <id>         what a child shows: blue=<pure blue pixels> distinct=<colours>
//                                 total=<pixels>
//   cursor                        the handle of the mouse pointer shown
//   ping <window> [ms]            "responsive", or "busy" (exit 1) when it does not answer
//   watch <window> <ms> <file>    asks the window again and again for that long: longest_ms=<the
//                                 longest it did not answer> size_after=<the file's size right then>
// Input
//   click <window> <id>           posts a button click
//   close <window>                asks the window to close (WM_CLOSE)
//   sysclose <window>             the system menu's Close (WM_SYSCOMMAND SC_CLOSE)
//   close-on-sight <window> [ms]  waits for a window of the class, shown or not, and asks it to
//                                 close the moment it exists: "hidden" or "visible" as it was then
//   post <window> <id> <msg> <wparam> <lparam>
//                                 posts any message to a control (id 0: the window), as any
//                                 program may; numbers in C notation
//   quit <window> [code]          posts WM_QUIT to the window's thread, as any component of the
//                                 process may (default code 0)
//   msgbox <caption> [ms]         waits for a message box: text="T" buttons="B,..." icons=N owner=C|none
//   nomsgbox <caption> <ms>       no such message box appears for that long (exit 1 if one does)
//   dismiss <caption>             presses the box's OK button and waits until it is gone
// Screen readers (Active Accessibility, asked from this process as a screen reader asks)
//   accessible <window> <id>      what the control's client object tells: role=N name="T"
//                                 state=0xS action="T" location=x,y,w,h children=N
//   do-default <window> <id>      follows the control's default action (exit 1 when refused)
//   focus-events <ms>             prints "ready", then for that long the control id of every focus
//                                 event the program raises, one line each
// The system
//   result-text <error> <stage>   the result text the program shows for that outcome, built by
//                                 the program's own library from the system's text
//   dpi                           the system DPI
//   face <name>                   the face a screen DC gets when it asks for that font
//   measure <face> <centipoints> <underline 0|1> <text>
//                                 the text's size in that font on the screen, "width height face=F"
//   open-volume <X:>              opens \\.\X: for writing: exit 0, or "error N"
//   open-alone <path>...          opens each file for reading with no sharing, which fails while
//                                 anyone else has it open: "ok" or "error N" a line; exit 0 when
//                                 all opened
//   hold <path> <ms>              opens the file with no sharing, prints "held", keeps it that long
//   hold-volume <X:> <ms>         opens \\.\X: for reading and writing, sharing both, as other
//                                 programs on the drive may; prints "held", keeps it that long
//   desktop-shell [ms]            waits until the desktop's shell answers (ShellWindows finds the
//                                 desktop): exit 0, or 1 after the time (default 30000 ms)
//   cwd <window>                  the current folder of the window's process, read from its
//                                 process parameters
//   pid <window>                  the window's process id
//
// Texts are printed as UTF-8 with \r, \n, \\ and \" escaped, so that a line is one value.
// Exit code 0 on success, 1 on a timeout or a missing window, 2 on bad usage.

#include <windows.h>
#include <exdisp.h>
#include <oleacc.h>
#include <shlobj.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "app/window_names.h"
#include "core/result_text.h"
#include "tests/support/handles.h"
#include "tests/support/text.h"
#include "win/animation.h"
#include "win/com.h"
#include "win/handles.h"
#include "win/text.h"

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

std::string Escaped(const std::wstring& text) {
    std::string out;
    for (char c : Utf8(text)) {
        switch (c) {
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            case '"': out += "\\\""; break;
            default: out += c;
        }
    }
    return out;
}

[[noreturn]] void Usage(const char* why) {
    std::fprintf(stderr, "driver: %s (the verbs are listed at the top of driver.cpp)\n", why);
    std::exit(2);
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
    if (found.empty()) {
        std::fprintf(stderr, "driver: no %s window\n", window.c_str());
        std::exit(1);
    }
    return found.front();
}

HWND RequireChild(HWND parent, int id) {
    HWND child = id == 0 ? parent : GetDlgItem(parent, id);
    if (!child) {
        std::fprintf(stderr, "driver: no control %d\n", id);
        std::exit(1);
    }
    return child;
}

std::string Rect(RECT r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom);
}

std::string OwnerClass(HWND hwnd) {
    const HWND owner = GetWindow(hwnd, GW_OWNER);
    return owner ? Escaped(ClassName(owner)) : "none";
}

unsigned long Style(HWND hwnd, int which) { return static_cast<unsigned long>(GetWindowLongPtrW(hwnd, which)); }

int Info(HWND hwnd) {
    RECT window;
    GetWindowRect(hwnd, &window);
    std::printf("window class=%s caption=\"%s\" rect=%s client=%s style=0x%08lx exstyle=0x%08lx owner=%s "
                "enabled=%d visible=%d\n",
                Escaped(ClassName(hwnd)).c_str(), Escaped(Caption(hwnd)).c_str(), Rect(window).c_str(),
                Rect(ClientOnScreen(hwnd)).c_str(), Style(hwnd, GWL_STYLE), Style(hwnd, GWL_EXSTYLE),
                OwnerClass(hwnd).c_str(), IsWindowEnabled(hwnd) ? 1 : 0, IsWindowVisible(hwnd) ? 1 : 0);
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        std::printf("child id=%d class=%s text=\"%s\" rect=%s style=0x%08lx exstyle=0x%08lx visible=%d\n",
                    GetDlgCtrlID(child), Escaped(ClassName(child)).c_str(), Escaped(WindowText(child)).c_str(),
                    Rect(ChildRect(child)).c_str(), Style(child, GWL_STYLE), Style(child, GWL_EXSTYLE),
                    IsWindowVisible(child) ? 1 : 0);
    }
    return 0;
}

// Pixels of a screen rectangle, read the way a screenshot does.
std::vector<COLORREF> ScreenPixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    std::vector<COLORREF> out;
    if (w <= 0 || h <= 0) return out;
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
    if (!memory || !dib) return out;
    const win::SelectedObject selected(memory.get(), dib.get());
    BitBlt(memory.get(), 0, 0, w, h, screen.get(), r.left, r.top, SRCCOPY);
    GdiFlush();
    const auto* px = static_cast<const uint32_t*>(bits);
    for (int i = 0; i < w * h; ++i) out.push_back(RGB((px[i] >> 16) & 0xFF, (px[i] >> 8) & 0xFF, px[i] & 0xFF));
    return out;
}

int Colours(HWND control) {
    const auto pixels = ScreenPixels(ClientOnScreen(control));
    const std::set<COLORREF> distinct(pixels.begin(), pixels.end());
    size_t blue = 0;
    for (COLORREF c : pixels) blue += c == RGB(0, 0, 255);
    std::printf("blue=%zu distinct=%zu total=%zu\n", blue, distinct.size(), pixels.size());
    return 0;
}

// A font as a screen DC gets it: the face the system gives for the request, and a text's size.
struct ScreenText {
    std::wstring face;
    SIZE size{};
};

ScreenText OnScreen(LOGFONTW request, const std::wstring& text) {
    const win::WindowDc screen(nullptr);
    const win::UniqueFont font(CreateFontIndirectW(&request));
    const win::SelectedObject selected(screen.get(), font.get());
    RECT r{0, 0, 0, 0};
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(screen.get(), LF_FACESIZE, face);
    return {face, {r.right - r.left, r.bottom - r.top}};
}

int ScreenDpi(int axis) {
    const win::WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), axis);
}

int Face(const std::wstring& name) {
    LOGFONTW lf{};
    lf.lfHeight = -11;
    lf.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(lf.lfFaceName, name.c_str(), LF_FACESIZE);
    std::printf("%s\n", Escaped(OnScreen(lf, L"").face).c_str());
    return 0;
}

int Measure(const std::wstring& face, int centipoints, bool underline, const std::wstring& text) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(centipoints, ScreenDpi(LOGPIXELSY), 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = underline;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynW(lf.lfFaceName, face.c_str(), LF_FACESIZE);
    const ScreenText measured = OnScreen(lf, text);
    std::printf("%ld %ld face=%s\n", measured.size.cx, measured.size.cy, Escaped(measured.face).c_str());
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
    std::printf("text=\"%s\" buttons=\"%s\" icons=%d owner=%s\n", Escaped(text).c_str(), Escaped(buttons).c_str(),
                icons, OwnerClass(box).c_str());
    return 0;
}

int Placement(HWND hwnd) {
    RECT window{};
    GetWindowRect(hwnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &monitor)) return 1;
    std::printf("window=%s work=%s\n", Rect(window).c_str(), Rect(monitor.rcWork).c_str());
    return 0;
}

int Watch(HWND hwnd, DWORD length, const std::wstring& file) {
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
    std::printf("longest_ms=%lu size_after=%lld\n", static_cast<unsigned long>(longest), sizeAfter);
    return 0;
}

win::UniqueFile OpenWithNoSharing(const std::wstring& path) {
    return win::UniqueFile(
        CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
}

int OpenAlone(int count, char** paths) {
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        if (OpenWithNoSharing(Wide(paths[i]))) {
            std::printf("ok\n");
        } else {
            std::printf("error %lu\n", GetLastError());
            ++failed;
        }
    }
    return failed ? 1 : 0;
}

int Hold(const std::wstring& path, DWORD ms) {
    const win::UniqueFile file = OpenWithNoSharing(path);
    if (!file) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(ms);
    return 0;
}

int OpenVolume(const std::wstring& drive) {
    const win::UniqueFile volume(CreateFileW((L"\\\\.\\" + drive).c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    return 0;
}

int HoldVolume(const std::wstring& drive, DWORD ms) {
    const win::UniqueFile volume(CreateFileW((L"\\\\.\\" + drive).c_str(), GENERIC_READ | GENERIC_WRITE,
                                             FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!volume) {
        std::printf("error %lu\n", GetLastError());
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(ms);
    return 0;
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

// The current folder of another process, from its process parameters (x64 layout: the PEB's
// ProcessParameters at 0x20, their CurrentDirectory.DosPath at 0x38).
int CurrentFolderOf(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const test_support::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
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
    std::printf("%s\n", Escaped(text).c_str());
    return 0;
}

win::ComPtr<IAccessible> AccessibleOf(HWND control) {
    return win::Obtain<IAccessible>([&](IAccessible** out) {
        return AccessibleObjectFromWindow(control, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                          reinterpret_cast<void**>(out));
    });
}

// A text property of the accessible object: `get` fills a BSTR; empty when it fails.
template <class Get>
std::string BstrText(Get get) {
    BSTR text = nullptr;
    const HRESULT hr = get(&text);
    std::string out = SUCCEEDED(hr) && text ? Escaped(text) : "";
    SysFreeString(text);
    return out;
}

int Accessible(HWND control) {
    const auto object = AccessibleOf(control);
    if (!object) return 1;
    IAccessible* a = object.get();
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    VARIANT role{}, state{};
    const std::string nameText = BstrText([&](BSTR* out) { return a->get_accName(self, out); });
    const std::string actionText = BstrText([&](BSTR* out) { return a->get_accDefaultAction(self, out); });
    a->get_accRole(self, &role);
    a->get_accState(self, &state);
    long x = 0, y = 0, w = 0, h = 0, children = -1;
    a->accLocation(&x, &y, &w, &h, self);
    a->get_accChildCount(&children);
    std::printf("role=%ld name=\"%s\" state=0x%lx action=\"%s\" location=%ld,%ld,%ld,%ld children=%ld\n",
                role.vt == VT_I4 ? role.lVal : -1, nameText.c_str(), state.vt == VT_I4 ? state.lVal : 0,
                actionText.c_str(), x, y, w, h, children);
    return 0;
}

int DoDefault(HWND control) {
    const auto object = AccessibleOf(control);
    if (!object) return 1;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return object.get()->accDoDefaultAction(self) == S_OK ? 0 : 1;
}

void CALLBACK OnFocusEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
    if (object != OBJID_CLIENT || child != CHILDID_SELF || !hwnd) return;
    std::printf("%d\n", GetDlgCtrlID(hwnd));
    std::fflush(stdout);
}

int FocusEvents(HWND ofProgram, DWORD ms) {
    DWORD pid = 0;
    GetWindowThreadProcessId(ofProgram, &pid);
    const HWINEVENTHOOK hook =
        SetWinEventHook(EVENT_OBJECT_FOCUS, EVENT_OBJECT_FOCUS, nullptr, OnFocusEvent, pid, 0, WINEVENT_OUTOFCONTEXT);
    if (!hook) return 1;
    std::printf("ready\n");
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

// Sends a message that the target answers with a number; exit 1 when it does not answer.
int PrintAnswer(HWND hwnd, UINT msg, WPARAM wp = 0, LPARAM lp = 0) {
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wp, lp, SMTO_ABORTIFHUNG, 5000, &answer)) return 1;
    std::printf("%lu\n", static_cast<unsigned long>(answer));
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
    const auto need = [&](size_t n) {
        if (args.size() < n) Usage(("too few arguments for " + verb).c_str());
    };
    const auto number = [&](size_t i, long fallback) {
        return i < args.size() ? std::strtol(args[i].c_str(), nullptr, 10) : fallback;
    };
    const auto ms = [&](size_t i, DWORD fallback) { return static_cast<DWORD>(number(i, static_cast<long>(fallback))); };

    if (verb == "wait") {
        need(1);
        const std::wstring cls = ClassOfRole(args[0]);
        if (WaitUntil(ms(1, 30000), [&] { return !TopLevel(cls, true).empty(); })) return 0;
        std::fprintf(stderr, "driver: timed out waiting for %s\n", args[0].c_str());
        return 1;
    }
    if (verb == "gone") {
        need(1);
        const std::wstring cls = ClassOfRole(args[0]);
        if (WaitUntil(ms(1, 30000), [&] { return TopLevel(cls, false).empty(); })) return 0;
        std::fprintf(stderr, "driver: timed out waiting for %s to go\n", args[0].c_str());
        return 1;
    }
    if (verb == "count") {
        need(1);
        std::printf("%zu\n", TopLevel(ClassOfRole(args[0]), true).size());
        return 0;
    }
    if (verb == "info") return need(1), Info(Require(args[0]));
    if (verb == "rect") {
        need(2);
        const RECT r = ClientOnScreen(RequireChild(Require(args[0]), static_cast<int>(number(1, 0))));
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (verb == "placement") return need(1), Placement(Require(args[0]));
    if (verb == "text") {
        std::printf("%s\n", Escaped(WindowText(RequireChild(Require("result"), names::kResultText), 10000)).c_str());
        return 0;
    }
    if (verb == "focus") {
        need(1);
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        if (!GetGUIThreadInfo(GetWindowThreadProcessId(Require(args[0]), nullptr), &thread)) return 1;
        std::printf("%d\n", thread.hwndFocus ? GetDlgCtrlID(thread.hwndFocus) : 0);
        return 0;
    }
    if (verb == "selection") {
        need(2);
        DWORD_PTR range = 0;
        HWND edit = RequireChild(Require(args[0]), static_cast<int>(number(1, 0)));
        if (!SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &range)) return 1;
        std::printf("%u,%u\n", LOWORD(range), HIWORD(range));
        return 0;
    }
    if (verb == "frames") return PrintAnswer(RequireChild(Require("wait"), names::kWaitClip), win::ANM_FRAMESPAINTED);
    if (verb == "colours") return need(2), Colours(RequireChild(Require(args[0]), static_cast<int>(number(1, 0))));
    if (verb == "cursor") {
        // Another process's cursor cannot be read back under Wine, only told apart by handle.
        CURSORINFO info{};
        info.cbSize = sizeof info;
        if (!GetCursorInfo(&info) || !info.hCursor) return 1;
        std::printf("0x%llx\n", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(info.hCursor)));
        return 0;
    }
    if (verb == "ping") {
        need(1);
        DWORD_PTR ignored = 0;
        const bool answered = SendMessageTimeoutW(Require(args[0]), WM_NULL, 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK,
                                                  ms(1, 1000), &ignored) != 0;
        std::printf("%s\n", answered ? "responsive" : "busy");
        return answered ? 0 : 1;
    }
    if (verb == "watch") return need(3), Watch(Require(args[0]), ms(1, 0), Wide(args[2].c_str()));
    if (verb == "click") {
        need(2);
        PostMessageW(RequireChild(Require(args[0]), static_cast<int>(number(1, 0))), BM_CLICK, 0, 0);
        return 0;
    }
    if (verb == "close") {
        need(1);
        PostMessageW(Require(args[0]), WM_CLOSE, 0, 0);
        return 0;
    }
    if (verb == "sysclose") {
        need(1);
        PostMessageW(Require(args[0]), WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    }
    if (verb == "close-on-sight") {
        need(1);
        const std::wstring cls = ClassOfRole(args[0]);
        HWND found = nullptr;
        const DWORD start = GetTickCount();
        // No sleep between looks: the window may exist for a few milliseconds before its show.
        while (!(found = FindWindowExW(nullptr, nullptr, cls.c_str(), nullptr)) || !OfProgram(found)) {
            if (GetTickCount() - start > ms(1, 30000)) return 1;
        }
        const bool visible = IsWindowVisible(found);
        PostMessageW(found, WM_CLOSE, 0, 0);
        std::printf("%s\n", visible ? "visible" : "hidden");
        return 0;
    }
    if (verb == "post") {
        need(5);
        const auto value = [&](size_t i) { return std::strtoull(args[i].c_str(), nullptr, 0); };
        return PostMessageW(RequireChild(Require(args[0]), static_cast<int>(number(1, 0))),
                            static_cast<UINT>(value(2)), static_cast<WPARAM>(value(3)), static_cast<LPARAM>(value(4)))
                   ? 0
                   : 1;
    }
    if (verb == "quit") {
        need(1);
        const DWORD thread = GetWindowThreadProcessId(Require(args[0]), nullptr);
        return PostThreadMessageW(thread, WM_QUIT, static_cast<WPARAM>(number(1, 0)), 0) ? 0 : 1;
    }
    if (verb == "msgbox") {
        need(1);
        HWND box = WaitForBox(Wide(args[0].c_str()), ms(1, 20000));
        return box ? MsgBox(box) : 1;
    }
    if (verb == "nomsgbox") return need(2), WaitForBox(Wide(args[0].c_str()), ms(1, 0)) ? 1 : 0;
    if (verb == "dismiss") {
        need(1);
        HWND box = WaitForBox(Wide(args[0].c_str()), 5000);
        if (!box) return 1;
        PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, IDOK)));
        return WaitUntil(5000, [&] { return !IsWindow(box); }) ? 0 : 1;
    }
    if (verb == "result-text") {
        need(2);
        const auto error = static_cast<std::int32_t>(number(0, 0));
        const auto stage = static_cast<int>(number(1, 0));
        std::printf("%s\n", Escaped(core::ResultText(error, win::SystemErrorText(error), stage)).c_str());
        return 0;
    }
    if (verb == "dpi") {
        std::printf("%d\n", ScreenDpi(LOGPIXELSX));
        return 0;
    }
    if (verb == "face") return need(1), Face(Wide(args[0].c_str()));
    if (verb == "measure") {
        need(4);
        return Measure(Wide(args[0].c_str()), static_cast<int>(number(1, 0)), number(2, 0) != 0, Wide(args[3].c_str()));
    }
    if (verb == "accessible" || verb == "do-default" || verb == "focus-events") {
        const win::Ole32 ole32;
        const win::ComApartment apartment = win::EnterApartment(ole32);
        if (verb == "focus-events") return need(1), FocusEvents(Require("about"), ms(0, 0));
        need(2);
        const HWND control = RequireChild(Require(args[0]), static_cast<int>(number(1, 0)));
        return verb == "accessible" ? Accessible(control) : DoDefault(control);
    }
    if (verb == "open-volume") return need(1), OpenVolume(Wide(args[0].c_str()));
    if (verb == "open-alone") return need(1), OpenAlone(argc - at - 1, argv + at + 1);
    if (verb == "hold") return need(2), Hold(Wide(args[0].c_str()), ms(1, 0));
    if (verb == "hold-volume") return need(2), HoldVolume(Wide(args[0].c_str()), ms(1, 0));
    if (verb == "desktop-shell") {
        const win::Ole32 ole32;
        const win::ComApartment apartment = win::EnterApartment(ole32);
        if (WaitUntil(ms(0, 30000), [&] { return DesktopShellAnswers(ole32); })) return 0;
        std::fprintf(stderr, "driver: the desktop's shell did not answer\n");
        return 1;
    }
    if (verb == "cwd") return need(1), CurrentFolderOf(Require(args[0]));
    if (verb == "pid") {
        need(1);
        DWORD pid = 0;
        GetWindowThreadProcessId(Require(args[0]), &pid);
        std::printf("%lu\n", static_cast<unsigned long>(pid));
        return 0;
    }
    Usage(("unknown verb " + verb).c_str());
}
