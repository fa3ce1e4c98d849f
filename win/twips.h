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

// A font of normal weight, `centipoints` hundredths of a point high at the system DPI.
UniqueFont CreateFontAtDpi(const wchar_t* face, int centipoints, bool underline, BYTE charset);

}  // namespace win
