#pragma once
// The forms' background colour, and colours of static controls: the form's answer for plain
// text on its background, and a hook through which a control chooses its own (the form asks the
// control before answering WM_CTLCOLORSTATIC itself, as message reflection does).

#include <windows.h>

namespace win {

// The forms' background, and what lies on it (labels, the clip control around its clip): the
// system's colour for dialogs and button faces, the platform's default for a dialog window. The
// system colour, not its value now, so that high contrast and other schemes reach every user.
inline constexpr int kFormBackground = COLOR_BTNFACE;
inline COLORREF FormBackground() { return GetSysColor(kFormBackground); }

// The answer to WM_CTLCOLORSTATIC for text in `textColour` on the forms' background: sets up the
// DC and returns the background brush.
inline HBRUSH TextOnFormBackground(HDC dc, COLORREF textColour) {
    SetBkColor(dc, FormBackground());
    SetTextColor(dc, textColour);
    return GetSysColorBrush(kFormBackground);
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
