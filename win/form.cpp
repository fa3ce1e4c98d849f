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

HWND g_applicationWindow = nullptr;

// A close request to the application (WM_CLOSE or SC_CLOSE to its hidden window, as a session
// tool or `taskkill` without /F sends to every window of the process) is a request to end the
// run: a quit, which every loop ends on. The default procedure would destroy the window, and
// with it every form it owns, under the run's feet.
LRESULT CALLBACK ApplicationWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_CLOSE) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

HWND CreateApplicationWindow(const wchar_t* className, const wchar_t* title) {
    if (g_applicationWindow) return g_applicationWindow;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ApplicationWindowProc;
    wc.hInstance = Instance();
    wc.lpszClassName = className;
    RegisterClassExW(&wc);
    g_applicationWindow =
        CreateWindowExW(0, className, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, Instance(), nullptr);
    if (!g_applicationWindow) ThrowLastError("CreateWindowExW");
    return g_applicationWindow;
}

HWND ApplicationWindow() { return g_applicationWindow; }

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
    if (design_.iconResource) {
        wc.hIcon = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(design_.iconResource),
                                                 IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                                 GetSystemMetrics(SM_CYICON), LR_SHARED));
        wc.hIconSm = static_cast<HICON>(LoadImageW(Instance(), MAKEINTRESOURCEW(design_.iconResource),
                                                   IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                                   GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    if (!RegisterClassExW(&wc)) ThrowLastError("RegisterClassExW");
}

void Form::Load() {
    if (hwnd_) return;
    const HWND owner = design_.showInTaskbar ? nullptr : ApplicationWindow();
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

    SetForegroundWindow(hwnd_);
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
