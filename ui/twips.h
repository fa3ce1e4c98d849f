#pragma once
// Geometry in twips (1440 to the inch), converted at the system DPI.

namespace ui {

inline constexpr int kTwipsPerInch = 1440;

int DpiX();
int DpiY();
// Pixels for a length in twips, rounded to the nearest pixel.
int TwipsToPixelsX(int twips);
int TwipsToPixelsY(int twips);

}  // namespace ui
