#pragma once
// The program's look, which the window layer takes as arguments: the font of the forms'
// controls and the links' style. What the platform decides (the forms' background, high
// contrast's link colour, focus rectangles) stays with the window layer.

#include <windows.h>

#include "win/twips.h"

namespace app::look {

// The dialog font the layouts in twips are made for: "MS Shell Dlg", 8 points.
inline constexpr win::FontDesign kDialogFont{.face = L"MS Shell Dlg", .centipoints = 800};

// The links: "Tahoma" 8.25 points, normal weight, character set 0, underlined, pure blue.
inline constexpr win::FontDesign kLinkFont{
    .face = L"Tahoma", .centipoints = 825, .underline = true, .charset = ANSI_CHARSET};
inline constexpr COLORREF kLinkColour = RGB(0, 0, 255);

}  // namespace app::look
