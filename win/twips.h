#pragma once
// Geometry in twips (1440 to the inch) and fonts in points, converted at the system DPI.

#include <windows.h>

#include "win/handles.h"

namespace win {

inline constexpr int kTwipsPerInch = 1440;

int DpiX();
int DpiY();
// Pixels for a length in twips, rounded to the nearest pixel.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

// A font of normal weight as a program gives it: its face, `centipoints` hundredths of a point
// high, whether it is underlined, its character set.
struct FontDesign {
    const wchar_t* face = nullptr;  // nullptr: no font of its own
    int centipoints = 0;
    bool underline = false;
    BYTE charset = DEFAULT_CHARSET;
};

// The font at the system DPI.
UniqueFont CreateFontAtDpi(const FontDesign& design);

}  // namespace win
