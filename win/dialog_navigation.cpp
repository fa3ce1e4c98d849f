#include "win/dialog_navigation.h"

namespace win {

namespace {

constexpr wchar_t kNavigationProperty[] = L"win::NavigationKeys";

NavigationKeys KeysOf(HWND root) {
    return static_cast<NavigationKeys>(reinterpret_cast<INT_PTR>(GetPropW(root, kNavigationProperty)));
}

bool Held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

bool IsPushButton(HWND hwnd) {
    const LRESULT code = SendMessageW(hwnd, WM_GETDLGCODE, 0, 0);
    return (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) != 0;
}

}  // namespace

bool TakeNavigationKey(MSG& msg) {
    const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    if (!root) return false;
    switch (KeysOf(root)) {
        case NavigationKeys::Dialog:
            return IsDialogMessageW(root, &msg) != FALSE;
        case NavigationKeys::Tab:
            if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || Held(VK_CONTROL)) return false;
            // As in a dialog: the keyboard user now sees where the focus is.
            SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
            SendMessageW(root, WM_NEXTDLGCTL, Held(VK_SHIFT) ? 1 : 0, FALSE);
            return true;
        case NavigationKeys::None:
            break;
    }
    return false;
}

void DialogNavigation::Attach(HWND window) {
    Detach();
    window_ = window;
    if (keys_ != NavigationKeys::None) {
        SetPropW(window, kNavigationProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(keys_)));
    }
}

void DialogNavigation::Detach() {
    if (!window_) return;
    RemovePropW(window_, kNavigationProperty);
    window_ = nullptr;
    lastFocus_ = nullptr;
}

bool DialogNavigation::Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_ACTIVATE:
            if (LOWORD(wp) == WA_INACTIVE) {
                KeepFocus();
            } else {
                RestoreFocus();
            }
            return false;  // the window has its own use for the activation
        case WM_NEXTDLGCTL:
            // The message loop's Tab and a multi-line edit's Tab come this way; a window
            // procedure must answer it as a dialog procedure would.
            if (keys_ == NavigationKeys::None) return false;
            MoveFocus(wp, lp);
            result = 0;
            return true;
        case DM_GETDEFID: {
            // Enter presses the focused push button; there is no other default button.
            const HWND focus = GetFocus();
            result = focus && IsChild(window_, focus) && IsPushButton(focus)
                         ? MAKELRESULT(GetDlgCtrlID(focus), DC_HASDEFID)
                         : 0;
            return true;
        }
        default:
            return false;
    }
}

void DialogNavigation::KeepFocus() {
    const HWND focus = GetFocus();
    if (focus && IsChild(window_, focus)) lastFocus_ = focus;
}

void DialogNavigation::RestoreFocus() {
    HWND target = (lastFocus_ && IsChild(window_, lastFocus_)) ? lastFocus_ : nullptr;
    if (!target && focusOnShow_) {
        const HWND first = GetNextDlgTabItem(window_, nullptr, FALSE);
        if (first && (GetWindowLongPtrW(first, GWL_STYLE) & WS_TABSTOP)) target = first;
    }
    SetFocus(target ? target : window_);
}

void DialogNavigation::MoveFocus(WPARAM wp, LPARAM lp) {
    HWND target = nullptr;
    if (LOWORD(lp)) {
        target = reinterpret_cast<HWND>(wp);
    } else {
        HWND focus = GetFocus();
        if (focus && !IsChild(window_, focus)) focus = nullptr;
        target = GetNextDlgTabItem(window_, focus, wp != 0);
    }
    if (!target || !IsChild(window_, target)) return;
    SetFocus(target);
    // An edit box reached this way has its text selected, as in a dialog.
    if (SendMessageW(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessageW(target, EM_SETSEL, 0, -1);
}

}  // namespace win
