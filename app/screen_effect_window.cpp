#include "app/screen_effect_window.h"

#include "app/window_names.h"
#include "core/arithmetic16.h"
#include "core/random_source.h"
#include "win/message_loop.h"
#include "win/twips.h"

namespace app {

namespace {

win::FormDesign EffectDesign() {
    win::FormDesign d;
    d.className = names::kScreenEffectWindowClass;
    d.style = WS_POPUP;           // no border, no title bar, no caption
    d.clientWidth = 4800;         // 320 x 200 pixels at 15 twips per pixel
    d.clientHeight = 3000;
    d.place = win::FormDesign::Place::Default;
    d.showInTaskbar = false;
    d.backgroundSysColor = -1;    // black, painted from the off-screen image
    return d;
}

constexpr COLORREF kBackColor = RGB(0, 0, 0);
constexpr COLORREF kForeColor = RGB(255, 255, 255);

// The screen's twips per pixel on one axis, as whole twips (15 at 96 dots per inch).
int TwipsPerPixel(int dpi) { return dpi > 0 ? win::kTwipsPerInch / dpi : 0; }

}  // namespace

ScreenEffectWindow::Picture::Picture(HDC like, int w, int h)
    : bitmap(CreateCompatibleBitmap(like, w, h)), dc(CreateCompatibleDC(like)), selected(dc.get(), bitmap.get()),
      width(w), height(h) {
    SetBkColor(dc.get(), kBackColor);
    SetTextColor(dc.get(), kForeColor);
    const RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

ScreenEffectWindow::ScreenEffectWindow(int16_t preset) : Form(EffectDesign()), preset_(preset) {}

void ScreenEffectWindow::OnLoad() { core::LoadPreset(preset_, parameters_); }

void ScreenEffectWindow::OnActivate() {
    // The window can be activated again from another window of the program while a run is
    // under way (it holds the screen's DC until its end); that run goes on alone.
    if (running_ || screenDc_) return;
    Run();
}

void ScreenEffectWindow::Stop() { running_ = false; }

void ScreenEffectWindow::Run() {
    try {
        Play();
    } catch (const core::ArithmeticError&) {
        // An overflow or a division by zero ends the effect like a click: the screen's DC is
        // released and the window unloaded below, and the caller goes on.
    }
    screenDc_.reset();
    Unload();
}

void ScreenEffectWindow::Play() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // The screen's size goes to twips and back to 16-bit pixels. For any screen that works this
    // gives the pixel counts back unchanged (whole twips per pixel, multiplied and divided); it
    // matters only where it fails: above 1440 dots per inch there are 0 twips per pixel (a
    // division by zero), and a screen wider or higher than 32767 pixels overflows. Either is an
    // arithmetic error, which ends the effect before its first pass (Run).
    const int twipsPerPixelX = TwipsPerPixel(win::DpiX());
    const int twipsPerPixelY = TwipsPerPixel(win::DpiY());
    const double widthTwips = static_cast<double>(screenWidth) * twipsPerPixelX;
    const double heightTwips = static_cast<double>(screenHeight) * twipsPerPixelY;
    const int16_t W = core::ScreenPixels(widthTwips, twipsPerPixelX);
    const int16_t H = core::ScreenPixels(heightTwips, twipsPerPixelY);

    const HWND hwnd = Hwnd();
    SetWindowPos(hwnd, nullptr, 0, 0, screenWidth, screenHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    screenDc_ = win::WindowDc(nullptr);

    SnapshotInto(W, H);

    // From here on the snapshot is the background of every repaint, and the passes draw on the
    // window itself.
    const win::WindowDc surface(hwnd);
    SetBkColor(surface.get(), kBackColor);
    SetTextColor(surface.get(), kForeColor);

    core::RandomSource random;
    random.SeedFromClock();

    const core::EffectParameters p = parameters_;
    running_ = true;
    // The whole effect runs here, inside the activation handler, and must: the yield at the end
    // of each pass is the only point at which the window takes other messages. So a click or a
    // character key ends the effect exactly after the pass in which it arrived, and one that
    // arrived while the effect was being set up waits for the first yield and ends it after
    // one pass. A loop driven from the modal show's message loop (a timer, idle passes) would
    // take input between any two of its messages instead.
    // The window can also go away under the loop (the system's close command): the effect
    // then has nothing left to draw on and ends. A quit ends it too, as it ends every loop.
    while (running_ && IsLoaded()) {
        const core::Pass pass = core::NextPass(p, W, H, random);
        BitBlt(surface.get(), pass.destX, pass.destY, p.blockw, p.blockh, surface.get(), pass.x, pass.y, SRCCOPY);
        if (!win::DoEvents()) break;
    }
}

void ScreenEffectWindow::SnapshotInto(int width, int height) {
    image_.reset();
    image_.emplace(screenDc_.get(), width, height);
    // A window that already covers the screen reads back as itself, not as the desktop: the
    // picture taken as the window appeared is the screen the user saw.
    const HDC source = desktop_ ? desktop_->dc.get() : screenDc_.get();
    BitBlt(image_->dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    desktop_.reset();
    InvalidateRect(Hwnd(), nullptr, FALSE);
}

void ScreenEffectWindow::Paint() {
    const win::PaintDc paint(Hwnd());
    const HDC dc = paint.get();
    const RECT& r = paint.Area();
    if (image_) {
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image_->dc.get(), r.left, r.top, SRCCOPY);
        ExcludeClipRect(dc, 0, 0, image_->width, image_->height);
    }
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

bool ScreenEffectWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wp && lp == 0 && !desktop_ && !image_) {
                const win::WindowDc screen(nullptr);
                const int w = GetSystemMetrics(SM_CXSCREEN);
                const int h = GetSystemMetrics(SM_CYSCREEN);
                desktop_.emplace(screen.get(), w, h);
                BitBlt(desktop_->dc.get(), 0, 0, w, h, screen.get(), 0, 0, SRCCOPY);
            }
            return false;
        case WM_ERASEBKGND:
            result = 1;
            return true;
        case WM_PAINT:
            Paint();
            result = 0;
            return true;
        case WM_LBUTTONDOWN:
            SetCapture(Hwnd());
            result = 0;
            return true;
        case WM_LBUTTONUP:
            // A click: the press and the release on the window.
            if (GetCapture() == Hwnd()) {
                ReleaseCapture();
                Stop();
            }
            result = 0;
            return true;
        case WM_CHAR:  // any key that produces a character
            Stop();
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace app
