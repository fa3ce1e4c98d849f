#include "win/form.h"

#include <algorithm>
#include <stdexcept>

#include "win/control_colours.h"
#include "win/failure.h"
#include "win/message_loop.h"
#include "win/text.h"
#include "win/twips.h"

namespace win {

namespace {

// Posted when the form becomes the active window, so that the activation handler runs from the
// message loop rather than inside the activation itself.
constexpr UINT kActivateMessage = WM_APP + 0x7F0;

HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

// The class's large and small icons from the program's icon resource (0: none).
void SetClassIcons(WNDCLASSEXW& wc, int resource) {
    if (!resource) return;
    const auto load = [&](int width, int height) {
        return static_cast<HICON>(
            LoadImageW(Instance(), MAKEINTRESOURCEW(resource), IMAGE_ICON, width, height, LR_SHARED));
    };
    wc.hIcon = load(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    wc.hIconSm = load(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
}

bool IsOwnThreadWindow(HWND hwnd) {
    return hwnd && GetWindowThreadProcessId(hwnd, nullptr) == GetCurrentThreadId();
}

// Where a window at `r` must go to lie wholly inside the work area of its monitor: moved only as
// far as needed, and with its top-left corner inside when it is larger than the work area.
POINT KeepInsideWorkArea(const RECT& r) {
    POINT at{r.left, r.top};
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST), &monitor)) return at;
    const RECT& work = monitor.rcWork;
    at.x = std::max(std::min(at.x, work.right - (r.right - r.left)), work.left);
    at.y = std::max(std::min(at.y, work.bottom - (r.bottom - r.top)), work.top);
    return at;
}

// Posted to the application window whenever the program may have come to the front: its
// taskbar button, if shown for a window, hands the activation on and goes (BringToUser).
constexpr UINT kCameForwardMessage = WM_APP + 0x7F1;

struct ApplicationState {
    HWND window = nullptr;
    // The window that the application window's taskbar button stands for while it is shown.
    HWND standsFor = nullptr;
    std::function<void()> sessionEnd;
} g_application;

void FlashTaskbarButton(HWND window, DWORD flags) {
    FLASHWINFO flash{};
    flash.cbSize = sizeof flash;
    flash.hwnd = window;
    flash.dwFlags = flags;
    FlashWindowEx(&flash);
}

// The program is in front again: a click on the application window's button (it is active
// now) hands the activation on to the window it stands for; any other window of the program
// in front means the user found it. Either way the button goes.
void CameForward() {
    const HWND target = g_application.standsFor;
    if (!target) return;
    const HWND foreground = GetForegroundWindow();
    if (!IsOwnThreadWindow(foreground)) return;
    g_application.standsFor = nullptr;
    if (foreground == g_application.window && IsWindow(target)) {
        // The window that the program last activated: a message box or the About window may have
        // come up over it meanwhile.
        const HWND popup = GetLastActivePopup(g_application.window);
        SetForegroundWindow(popup && popup != g_application.window ? popup : target);
    }
    FlashTaskbarButton(g_application.window, FLASHW_STOP);
    ShowWindow(g_application.window, SW_HIDE);
}

// A close request to the application (WM_CLOSE or SC_CLOSE to its hidden window, as a session
// tool or `taskkill` without /F sends to every window of the process) is a request to end the
// run: a quit, which every loop ends on. The default procedure would destroy the window, and
// with it every form it owns, under the run's feet.
LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Guarded([&]() -> LRESULT {
        switch (msg) {
            case WM_CLOSE:
                PostQuitMessage(0);
                return 0;
            case WM_ACTIVATE:
                if (LOWORD(wp) != WA_INACTIVE) PostMessageW(hwnd, kCameForwardMessage, 0, 0);
                return 0;
            case WM_ACTIVATEAPP:
                if (wp) PostMessageW(hwnd, kCameForwardMessage, 0, 0);
                return 0;
            case kCameForwardMessage:
                CameForward();
                return 0;
            case WM_ENDSESSION:
                if (wp && g_application.sessionEnd) g_application.sessionEnd();
                return 0;
            default:
                return DefWindowProcW(hwnd, msg, wp, lp);
        }
    });
}

}  // namespace

HWND CreateApplicationWindow(const wchar_t* className, const wchar_t* title, int iconResource) {
    if (g_application.window) return g_application.window;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ApplicationWindowProc;
    wc.hInstance = Instance();
    wc.lpszClassName = className;
    // The taskbar button's, when it stands for a window that Windows kept from the front.
    SetClassIcons(wc, iconResource);
    RegisterClassExW(&wc);
    g_application.window =
        CreateWindowExW(0, className, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    if (!g_application.window) ThrowLastError("CreateWindowExW");
    return g_application.window;
}

HWND ApplicationWindow() { return g_application.window; }

bool TakeForeground(HWND window) { return SetForegroundWindow(window) && GetForegroundWindow() == window; }

void BringToUser(HWND window, bool (*takeForeground)(HWND)) {
    if (takeForeground(window)) return;
    // Windows refuses the foreground to a process that is not in front (SetForegroundWindow's
    // conditions) and would flash the window's taskbar button instead; an owned window has none.
    const HWND owner = GetWindow(window, GW_OWNER);
    if (!owner || owner != g_application.window) {
        FlashTaskbarButton(window, FLASHW_TRAY | FLASHW_TIMERNOFG);
        return;
    }
    // A visible window without an owner has a taskbar button; the application window is as
    // small as nothing, so the button is all of it the user sees.
    g_application.standsFor = window;
    ShowWindow(owner, SW_SHOWNOACTIVATE);
    FlashTaskbarButton(owner, FLASHW_TRAY | FLASHW_TIMERNOFG);
}

void OnSessionEnd(std::function<void()> end) { g_application.sessionEnd = std::move(end); }

Form::Form(FormDesign design) : design_(std::move(design)), navigation_(design_.keys, design_.focusOnShow) {}

Form::~Form() {
    if (!hwnd_) return;
    // As in Unload. The window's messages from here on reach this base part only; WM_NCDESTROY
    // lets go of the rest, as when the window goes any other way.
    modal_.reset();
    DestroyWindow(hwnd_);
}

bool Form::IsForm(HWND hwnd) {
    return GetWindowLongPtrW(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Form::WndProc);
}

HWND Form::Hwnd() {
    Load();
    return hwnd_;
}

void Form::RegisterClassOnce() {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(Instance(), design_.className, &existing)) return;

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = &Form::WndProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = design_.className;
    if (design_.backgroundSysColor >= 0) {
        wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(design_.backgroundSysColor + 1));
    }
    SetClassIcons(wc, design_.iconResource);
    if (!RegisterClassExW(&wc)) ThrowLastError("RegisterClassExW");
}

void Form::Load() {
    if (hwnd_) return;
    const HWND owner = design_.showInTaskbar ? nullptr : g_application.window;
    if (!design_.showInTaskbar && !owner) {
        throw std::logic_error("a form without a taskbar button needs the application window");
    }
    RegisterClassOnce();

    if (design_.font.face) font_ = CreateFontAtDpi(design_.font);

    const DWORD style = design_.style & ~WS_VISIBLE;
    const DWORD exStyle = design_.exStyle | (design_.showInTaskbar ? WS_EX_APPWINDOW : 0);
    RECT frame{0, 0, TwipsToPixelsX(design_.clientWidth), TwipsToPixelsY(design_.clientHeight)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;

    int x = CW_USEDEFAULT, y = CW_USEDEFAULT;
    switch (design_.place) {
        case FormDesign::Place::CenterScreen:
            x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
            y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
            break;
        case FormDesign::Place::Fixed: {
            x = TwipsToPixelsX(design_.clientLeft) + frame.left;
            y = TwipsToPixelsY(design_.clientTop) + frame.top;
            const POINT inside = KeepInsideWorkArea(RECT{x, y, x + width, y + height});
            x = inside.x;
            y = inside.y;
            break;
        }
        case FormDesign::Place::Default:
            break;
    }

    CreateWindowExW(exStyle, design_.className, design_.caption.c_str(), style, x, y, width, height,
                    owner, nullptr, Instance(), this);
    if (!hwnd_) ThrowLastError("CreateWindowExW");
    CreateControls();
    OnLoad();
}

HWND Form::AddControl(const wchar_t* windowClass, const std::wstring& text, DWORD style,
                      DWORD exStyle, int id, int left, int top, int width, int height) {
    HWND control = CreateWindowExW(
        exStyle, windowClass, text.c_str(), style | WS_CHILD, TwipsToPixelsX(left),
        TwipsToPixelsY(top), TwipsToPixelsX(width), TwipsToPixelsY(height), hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
    if (control && font_) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    return control;
}

void Form::Show(ShowMode mode) {
    Load();
    const bool modal = mode == ShowMode::Modal && !modal_;
    // Only the program's forms are disabled: other windows of the thread (a message box the
    // system made) are not ours to touch.
    if (modal) modal_.emplace(hwnd_, &Form::IsForm);
    ShowWindow(hwnd_, SW_SHOW);
    if (!modal) return;

    BringToUser(hwnd_);
    if (!RunMessagesUntil([this] { return !IsLoaded(); })) {
        // A quit: the form stays loaded for the run to unload, and the others take input again.
        modal_.reset();
    }
}

void Form::SetVisible(bool visible) {
    if (visible) {
        Show(ShowMode::Modeless);
    } else if (hwnd_) {
        ShowWindow(hwnd_, SW_HIDE);
    }
}

void Form::Unload() {
    if (!hwnd_) return;
    OnUnload();
    if (!hwnd_) return;
    // The windows a modal show disabled come back first, so that one of them can take the
    // activation when this one goes.
    modal_.reset();
    DestroyWindow(hwnd_);
}

std::wstring Form::Caption() const {
    if (!hwnd_) return design_.caption;
    return WindowText(hwnd_);
}

void Form::SetCaption(const std::wstring& text) { SetWindowTextW(Hwnd(), text.c_str()); }

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Guarded([&]() -> LRESULT {
        Form* form = nullptr;
        if (msg == WM_NCCREATE) {
            form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
            form->hwnd_ = hwnd;
            form->navigation_.Attach(hwnd);
        } else {
            form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
        return form->Handle(msg, wp, lp);
    });
}

void Form::Detached() {
    SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    navigation_.Detach();
    modal_.reset();
    hwnd_ = nullptr;
    activated_ = false;
    font_.reset();
}

LRESULT Form::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    const HWND hwnd = hwnd_;
    if (msg == WM_NCDESTROY) {
        Detached();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    if (msg == WM_CTLCOLORSTATIC) {
        // A control that chooses its own colours is asked first.
        if (OwnColours* colours = OwnColoursOf(reinterpret_cast<HWND>(lp))) {
            const HBRUSH brush = colours->ColoursFor(reinterpret_cast<HDC>(wp));
            if (brush) return reinterpret_cast<LRESULT>(brush);
        }
    }
    LRESULT result = 0;
    if (OnMessage(msg, wp, lp, result)) return result;
    if (navigation_.Handle(msg, wp, lp, result)) return result;

    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) != WA_INACTIVE) {
                // Like a form's Activate event: on the first activation after loading, and when
                // the activation comes from another window of the program.
                const HWND previous = reinterpret_cast<HWND>(lp);
                if (!activated_ || IsOwnThreadWindow(previous)) PostMessageW(hwnd, kActivateMessage, 0, 0);
                activated_ = true;
                if (g_application.standsFor) PostMessageW(g_application.window, kCameForwardMessage, 0, 0);
            }
            return 0;
        case kActivateMessage:
            OnActivate();
            return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp));
            return 0;
        case WM_CLOSE:
            Unload();
            return 0;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            // Colours the controls choose as they paint (high contrast, say) follow at once.
            RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace win
