#include "effect/frmGraphics.h"

#include "effect/presets.h"
#include "effect/random.h"
#include "effect/vb16.h"
#include "ui/twips.h"
#include "ui/yield.h"

namespace effect {

namespace {

ui::FormDesign GraphicsDesign() {
    ui::FormDesign d;
    d.className = L"TavelinGraphics";
    d.style = WS_POPUP;           // no border, no title bar, no caption
    d.clientWidth = 4800;         // 320 x 200 pixels at 15 twips per pixel
    d.clientHeight = 3000;
    d.place = ui::FormDesign::Place::Default;
    d.showInTaskbar = false;
    d.backgroundSysColor = -1;    // black, painted from the off-screen image
    return d;
}

constexpr COLORREF kBackColor = RGB(0, 0, 0);
constexpr COLORREF kForeColor = RGB(255, 255, 255);

// The screen's twips per pixel on one axis, as whole twips (15 at 96 dots per inch).
int TwipsPerPixel(int dpi) { return dpi > 0 ? ui::kTwipsPerInch / dpi : 0; }

}  // namespace

frmGraphics::Picture::Picture(HDC like, int w, int h)
    : bitmap(CreateCompatibleBitmap(like, w, h)), dc(CreateCompatibleDC(like)), width(w),
      height(h) {
    SelectObject(dc.get(), bitmap.get());
    SetBkColor(dc.get(), kBackColor);
    SetTextColor(dc.get(), kForeColor);
    const RECT all{0, 0, w, h};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

frmGraphics::frmGraphics(ui::FormRef<frmGraphics>& self) : ui::Form(GraphicsDesign()), self_(self) {}

frmGraphics::~frmGraphics() {
    if (deskdc) ReleaseDC(nullptr, deskdc);
}

void frmGraphics::OnLoad() {
    Parameters p{rangex, rangey, biasx, biasy, blockw, blockh};
    LoadPreset(ef, p);
    rangex = p.rangex;
    rangey = p.rangey;
    biasx = p.biasx;
    biasy = p.biasy;
    blockw = p.blockw;
    blockh = p.blockh;
}

void frmGraphics::OnActivate() {
    // The window can be activated again from another window of the program while a run is
    // under way (it holds the screen's DC until its end); that run goes on alone.
    if (running || deskdc) return;
    doeffect();
}

void frmGraphics::Form_Click() { running = 0; }

void frmGraphics::Form_KeyPress() { running = 0; }

void frmGraphics::doeffect() {
    const auto keep = weak_from_this().lock();
    try {
        Play();
    } catch (const ArithmeticError&) {
        // An overflow or a division by zero ends the effect like a click: the screen's DC is
        // released and the window unloaded below, and the caller goes on.
    }
    self_.Drop();
    if (deskdc) {
        ReleaseDC(nullptr, deskdc);
        deskdc = nullptr;
    }
    Unload();
}

void frmGraphics::Play() {
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const int twipsPerPixelX = TwipsPerPixel(ui::DpiX());
    const int twipsPerPixelY = TwipsPerPixel(ui::DpiY());
    const double widthTwips = static_cast<double>(screenWidth) * twipsPerPixelX;
    const double heightTwips = static_cast<double>(screenHeight) * twipsPerPixelY;
    const int16_t W = ScreenPixels(widthTwips, twipsPerPixelX);
    const int16_t H = ScreenPixels(heightTwips, twipsPerPixelY);

    const HWND hwnd = Hwnd();
    SetWindowPos(hwnd, nullptr, 0, 0, screenWidth, screenHeight, SWP_NOZORDER | SWP_NOACTIVATE);

    deskdc = GetDC(nullptr);

    SnapshotInto(W, H);

    autoRedraw_ = false;
    ui::WindowDc surface(hwnd);
    SetBkColor(surface.get(), kBackColor);
    SetTextColor(surface.get(), kForeColor);

    Random random;
    random.SeedFromClock();

    const Parameters p{rangex, rangey, biasx, biasy, blockw, blockh};
    running = -1;
    // The window can also go away under the loop (the system's close command): the effect
    // then has nothing left to draw on and ends.
    while (running && IsLoaded()) {
        const Pass pass = NextPass(p, W, H, random);
        BitBlt(surface.get(), pass.destX, pass.destY, p.blockw, p.blockh, surface.get(), pass.x,
               pass.y, SRCCOPY);
        ui::DoEvents();
    }
}

void frmGraphics::SnapshotInto(int width, int height) {
    image_.reset();
    image_.emplace(deskdc, width, height);
    // A window that already covers the screen reads back as itself, not as the desktop: the
    // picture taken as the window appeared is the screen the user saw.
    const HDC source = desktop_ ? desktop_->dc.get() : deskdc;
    BitBlt(image_->dc.get(), 0, 0, width, height, source, 0, 0, SRCCOPY);
    desktop_.reset();
    if (autoRedraw_) InvalidateRect(Hwnd(), nullptr, FALSE);
}

void frmGraphics::Paint() {
    PAINTSTRUCT ps;
    const HDC dc = BeginPaint(Hwnd(), &ps);
    const RECT& r = ps.rcPaint;
    if (image_) {
        BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, image_->dc.get(), r.left,
               r.top, SRCCOPY);
        ExcludeClipRect(dc, 0, 0, image_->width, image_->height);
    }
    FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    EndPaint(Hwnd(), &ps);
}

bool frmGraphics::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_SHOWWINDOW:
            if (wp && lp == 0 && !desktop_ && !image_) {
                ui::WindowDc screen(nullptr);
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
            if (GetCapture() == Hwnd()) {
                ReleaseCapture();
                Form_Click();
            }
            result = 0;
            return true;
        case WM_CHAR:
            Form_KeyPress();
            result = 0;
            return true;
        default:
            return false;
    }
}

}  // namespace effect
