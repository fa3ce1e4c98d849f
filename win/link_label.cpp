#include "win/link_label.h"

#include <oleacc.h>

#include <utility>

#include "win/failure.h"
#include "win/text.h"
#include "win/twips.h"

namespace win {

namespace {

constexpr wchar_t kLabelProperty[] = L"win::ClickableLabel";
// Posted to the label by its accessible object: a screen reader followed the default action.
constexpr UINT kDefaultActionMessage = WM_APP + 0x7E0;

}  // namespace

ClickableLabel::~ClickableLabel() {
    if (hwnd_ && IsWindow(hwnd_)) Detach();
}

void ClickableLabel::Attach(HWND label, std::function<void()> onClick) {
    hwnd_ = label;
    onClick_ = std::move(onClick);
    SetPropW(label, kLabelProperty, this);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClickableLabel::Proc)));
}

void ClickableLabel::MakeAccessible(const AccessibleRole& role) {
    accessible_.emplace(hwnd_, role, kDefaultActionMessage);
}

void ClickableLabel::Detach() {
    accessible_.reset();  // screen readers that still hold the object hear that it has gone
    SetWindowLongPtrW(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
    RemovePropW(hwnd_, kLabelProperty);
    SetOwnColours(hwnd_, nullptr);  // whatever the label chose goes with it
    hwnd_ = nullptr;
}

LRESULT ClickableLabel::CallOriginal(UINT msg, WPARAM wp, LPARAM lp) {
    return CallWindowProcW(original_, hwnd_, msg, wp, lp);
}

void ClickableLabel::Click() {
    // The callback may close the window, and this label with it: it runs on a copy.
    if (const auto onClick = onClick_) onClick();
}

bool ClickableLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_GETOBJECT:
            return accessible_ && accessible_->Answer(wp, lp, result);
        case kDefaultActionMessage:
            result = 0;
            if (accessible_) Click();
            return true;
        case WM_LBUTTONDOWN:
            SetCapture(hwnd_);
            result = 0;
            return true;
        case WM_LBUTTONDBLCLK:
            result = 0;
            return true;
        case WM_LBUTTONUP: {
            result = 0;
            if (GetCapture() != hwnd_) return true;
            ReleaseCapture();
            RECT client;
            GetClientRect(hwnd_, &client);
            const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (PtInRect(&client, at)) Click();
            return true;
        }
        default:
            return false;
    }
}

LRESULT CALLBACK ClickableLabel::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    return Guarded([&] {
        auto* self = static_cast<ClickableLabel*>(GetPropW(hwnd, kLabelProperty));
        if (!self) return DefWindowProcW(hwnd, msg, wp, lp);
        const WNDPROC original = self->original_;
        if (msg == WM_NCDESTROY) {
            self->Detach();
            return CallWindowProcW(original, hwnd, msg, wp, lp);
        }
        LRESULT result = 0;
        if (self->OnMessage(msg, wp, lp, result)) return result;
        return CallWindowProcW(original, hwnd, msg, wp, lp);
    });
}

void LinkLabel::Attach(HWND label, const LinkStyle& style, std::function<void()> onClick) {
    font_ = CreateFontAtDpi(style.font);
    colour_ = style.colour;
    pointer_ = style.pointer;
    SendMessageW(label, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    SizeLabelToText(label);
    ClickableLabel::Attach(label, std::move(onClick));
    MakeAccessible({.role = ROLE_SYSTEM_LINK, .defaultAction = L"Jump", .states = STATE_SYSTEM_LINKED});
    SetOwnColours(label, this);
}

HBRUSH LinkLabel::ColoursFor(HDC dc) { return TextOnFormBackground(dc, TextColour()); }

COLORREF LinkLabel::TextColour() const {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    const bool high = SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) &&
                      (contrast.dwFlags & HCF_HIGHCONTRASTON);
    // A colour of the program's own may be unreadable on the user's high-contrast scheme (pure
    // blue on black); the scheme's link colour never is.
    return high ? GetSysColor(COLOR_HOTLIGHT) : colour_;
}

bool LinkLabel::ShowsFocus() const {
    // The keyboard cues are the window's: hidden until the keyboard is used, where the user
    // chose so.
    const HWND window = GetAncestor(Hwnd(), GA_ROOT);
    return GetFocus() == Hwnd() && !(SendMessageW(window, WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS);
}

bool LinkLabel::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_PAINT:
            result = CallOriginal(msg, wp, lp);
            if (ShowsFocus()) {
                const WindowDc dc(Hwnd());
                RECT client;
                GetClientRect(Hwnd(), &client);
                DrawFocusRect(dc.get(), &client);
            }
            return true;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
            InvalidateRect(Hwnd(), nullptr, TRUE);
            return false;
        case WM_UPDATEUISTATE:
            result = CallOriginal(msg, wp, lp);
            InvalidateRect(Hwnd(), nullptr, TRUE);
            return true;
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
        case WM_SYSKEYDOWN:
        case WM_SYSKEYUP:
        case WM_SYSCHAR:
            result = 0;
            // Enter and Space are the link's own ('\r' and ' ' as characters): one activation per
            // press, the keyboard's repeats do not count.
            if ((msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR) && (wp == VK_RETURN || wp == VK_SPACE)) {
                if (msg == WM_KEYDOWN && !(lp & (1 << 30))) Click();
                return true;
            }
            result = SendMessageW(GetParent(Hwnd()), msg, wp, lp);
            return true;
        case WM_SETCURSOR:
            if (LOWORD(lp) != HTCLIENT || !pointer_) return false;
            SetCursor(pointer_);
            result = TRUE;
            return true;
        default:
            return ClickableLabel::OnMessage(msg, wp, lp, result);
    }
}

void SizeLabelToText(HWND label) {
    const std::wstring text = WindowText(label);
    RECT r{0, 0, 0, 0};
    {
        const WindowDc dc(label);
        const SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    SetWindowPos(label, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace win
