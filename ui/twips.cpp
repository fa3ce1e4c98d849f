#include "ui/twips.h"

#include <windows.h>

namespace ui {

namespace {
int ScreenCaps(int index) {
    HDC screen = GetDC(nullptr);
    const int value = GetDeviceCaps(screen, index);
    ReleaseDC(nullptr, screen);
    return value > 0 ? value : 96;
}
}  // namespace

int DpiX() { return ScreenCaps(LOGPIXELSX); }
int DpiY() { return ScreenCaps(LOGPIXELSY); }
int TwipsToPixelsX(int twips) { return MulDiv(twips, DpiX(), kTwipsPerInch); }
int TwipsToPixelsY(int twips) { return MulDiv(twips, DpiY(), kTwipsPerInch); }

}  // namespace ui
