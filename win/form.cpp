#include "win/form.h"

#include <algorithm>

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

bool IsPushButton(HWND hwnd) {
    const LRESULT code = SendMessageW(hwnd, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

HWND ApplicationWindow() {
    static HWND window = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = Instance();
        wc.lpszClassName = kApplicationWindowClass;
        RegisterClassExW(&wc);
        return CreateWindowExW(0, wc.lpszClassName, L"Tavelin", WS_POPUP, 0, 0, 0, 0, nullptr,
                               nullptr, Instance(), nullptr);
    }();
    return window;
}

Form::Form(FormDesign design) : design_(std::move(design)) {}

Form::~Form() {
    if (hwnd_) {
        SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
        UseNavigationKeys(hwnd_, NavigationKeys::None);
        ReleaseModal();
        DestroyWindow(hwnd_);
    }
}

Form* Form::FromHwnd(HWND hwnd) {
    if (!hwnd || !IsOwnThreadWindow(hwnd)) return nullptr;
    if (GetWindowLongPtrW(hwnd, GWLP_WNDPROC) != reinterpret_cast<LONG_PTR>(&Form::WndProc)) {
        return nullptr;
    }
    return reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
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
    const auto keep = weak_from_this().lock();
    RegisterClassOnce();

    // The dialog default font, 8 points at the system DPI: the layouts in twips are made for it.
    font_ = CreateFontAtDpi(L"MS Shell Dlg", 800, false, DEFAULT_CHARSET);

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

    HWND owner = design_.showInTaskbar ? nullptr : ApplicationWindow();
    CreateWindowExW(exStyle, design_.className, design_.caption.c_str(), style, x, y, width, height,
                    owner, nullptr, Instance(), this);
    if (!hwnd_) ThrowLastError("CreateWindowExW");
    UseNavigationKeys(hwnd_, design_.keys);
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
    const auto keep = weak_from_this().lock();
    Load();
    const bool modal = mode == ShowMode::Modal && !modal_;
    if (modal) {
        modal_ = true;
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM self) -> BOOL {
                auto* form = reinterpret_cast<Form*>(self);
                if (hwnd != form->hwnd_ && FromHwnd(hwnd) && IsWindowEnabled(hwnd)) {
                    try {
                        form->disabledByModal_.push_back(hwnd);
                    } catch (...) {
                        return FALSE;  // nothing may unwind through the system's frames
                    }
                    EnableWindow(hwnd, FALSE);
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(this));
    }
    ShowWindow(hwnd_, SW_SHOW);
    if (!modal) return;

    SetForegroundWindow(hwnd_);
    MSG msg;
    while (IsLoaded()) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        DispatchOne(msg);
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
    const auto keep = weak_from_this().lock();
    OnUnload();
    if (!hwnd_) return;
    // The windows a modal show disabled come back first, so that one of them can take the
    // activation when this one goes.
    ReleaseModal();
    DestroyWindow(hwnd_);
}

void Form::ReleaseModal() {
    for (HWND hwnd : disabledByModal_) {
        if (IsWindow(hwnd)) EnableWindow(hwnd, TRUE);
    }
    disabledByModal_.clear();
    modal_ = false;
}

std::wstring Form::Caption() const {
    if (!hwnd_) return design_.caption;
    return WindowText(hwnd_);
}

void Form::SetCaption(const std::wstring& text) { SetWindowTextW(Hwnd(), text.c_str()); }

LRESULT CALLBACK Form::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    Form* form = nullptr;
    if (msg == WM_NCCREATE) {
        form = static_cast<Form*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        form->hwnd_ = hwnd;
    } else {
        form = reinterpret_cast<Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }
    if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
    try {
        return form->Handle(msg, wp, lp);
    } catch (...) {
        // Nothing in the program handles errors: an error raised in a handler ends the process
        // through the platform's report, without unwinding through the system's frames.
        FailFast();
    }
}

LRESULT Form::Handle(UINT msg, WPARAM wp, LPARAM lp) {
    const HWND hwnd = hwnd_;
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        UseNavigationKeys(hwnd, NavigationKeys::None);
        ReleaseModal();
        hwnd_ = nullptr;
        lastFocus_ = nullptr;
        activated_ = false;
        font_.reset();
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    if (msg == WM_CTLCOLORSTATIC) {
        if (const LRESULT brush = SendMessageW(reinterpret_cast<HWND>(lp), kReflectedCtlColorStatic, wp, lp)) {
            return brush;
        }
    }
    LRESULT result = 0;
    if (OnMessage(msg, wp, lp, result)) return result;

    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                HWND focus = GetFocus();
                if (focus && IsChild(hwnd, focus)) lastFocus_ = focus;
            } else {
                RestoreFocus();
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
        case WM_NEXTDLGCTL:
            // The message loop's Tab and a multi-line edit's Tab come this way; a window procedure
            // must answer it as a dialog procedure would.
            if (design_.keys == NavigationKeys::None) break;
            MoveDialogFocus(wp, lp);
            return 0;
        case DM_GETDEFID: {
            // Enter presses the focused push button; there is no other default button.
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd, focus) && IsPushButton(focus)) {
                return MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID);
            }
            return 0;
        }
        default:
            break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void Form::MoveDialogFocus(WPARAM wp, LPARAM lp) {
    HWND target = nullptr;
    if (LOWORD(lp)) {
        target = reinterpret_cast<HWND>(wp);
    } else {
        HWND focus = GetFocus();
        if (focus && !IsChild(hwnd_, focus)) focus = nullptr;
        target = GetNextDlgTabItem(hwnd_, focus, wp != 0);
    }
    if (!target || !IsChild(hwnd_, target)) return;
    SetFocus(target);
    // An edit box reached this way has its text selected, as in a dialog.
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
}

void Form::RestoreFocus() {
    HWND target = (lastFocus_ && IsChild(hwnd_, lastFocus_)) ? lastFocus_ : nullptr;
    if (!target && design_.focusOnShow) {
        HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        if (first && (GetWindowLongPtrW(first, GWL_STYLE) & WS_TABSTOP)) target = first;
    }
    SetFocus(target ? target : hwnd_);
}

}  // namespace win
