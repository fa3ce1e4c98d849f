#pragma once
// Colours of static controls: the form's answer for plain text on its background, and a hook
// through which a control chooses its own (the form asks the control before answering
// WM_CTLCOLORSTATIC itself, as message reflection does).

#include <windows.h>

namespace win {

// The answer to WM_CTLCOLORSTATIC for text in `textColour` on the forms' background (the
// system's button-face colour): sets up the DC and returns the background brush.
inline HBRUSH TextOnFormBackground(HDC dc, COLORREF textColour) {
    SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
    SetTextColor(dc, textColour);
    return GetSysColorBrush(COLOR_BTNFACE);
}

// A control that chooses its own colours.
class OwnColours {
public:
    // Sets up `dc` for the control's next painting and returns its background brush, or
    // nullptr to leave the choice to its window.
    virtual HBRUSH ColoursFor(HDC dc) = 0;

protected:
    ~OwnColours() = default;
};

// Gives `control` its own colours (nullptr: its window's again). The object must outlive the
// control or be detached first.
void SetOwnColours(HWND control, OwnColours* colours);
// The colours `control` chose for itself, or nullptr.
OwnColours* OwnColoursOf(HWND control);

}  // namespace win
