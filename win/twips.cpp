#include "win/twips.h"

#include <windows.h>

#include "win/handles.h"

namespace win {

namespace {
int ScreenCaps(int index) {
    const WindowDc screen(nullptr);
    const int value = GetDeviceCaps(screen.get(), index);
    return value > 0 ? value : 96;
}
}  // namespace

int DpiX() { return ScreenCaps(LOGPIXELSX); }
int DpiY() { return ScreenCaps(LOGPIXELSY); }
int TwipsToPixelsX(int twips) { return MulDiv(twips, DpiX(), kTwipsPerInch); }
int TwipsToPixelsY(int twips) { return MulDiv(twips, DpiY(), kTwipsPerInch); }

UniqueFont CreateFontAtDpi(const FontDesign& design) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(design.centipoints, DpiY(), 7200);
    font.lfWeight = FW_NORMAL;
    font.lfUnderline = design.underline ? TRUE : FALSE;
    font.lfCharSet = design.charset;
    lstrcpynW(font.lfFaceName, design.face, LF_FACESIZE);
    return UniqueFont(CreateFontIndirectW(&font));
}

}  // namespace win
