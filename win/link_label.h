#pragma once
// Labels that act on a click, and the link style: static text controls of a form, subclassed.

#include <windows.h>

#include <functional>
#include <optional>
#include <string>

#include "win/accessible.h"
#include "win/control_colours.h"
#include "win/handles.h"
#include "win/twips.h"

namespace win {

// A static control that runs a callback on each click: a press and a release of the left
// button on the same control, as a user means it (the second press of a double click is not a
// click). It attaches to an existing control and lets go of it when either goes away.
class ClickableLabel {
public:
    ClickableLabel() = default;
    ClickableLabel(const ClickableLabel&) = delete;
    ClickableLabel& operator=(const ClickableLabel&) = delete;
    virtual ~ClickableLabel();

    void Attach(HWND label, std::function<void()> onClick);
    HWND Hwnd() const { return hwnd_; }

protected:
    // Tells screen readers what the control is, and lets them follow its default action, which
    // acts as a click does (accessible.h). Without it the control answers as the static it is.
    void MakeAccessible(const AccessibleRole& role);
    // A message for the control before its own procedure; true when handled (result set).
    virtual bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);
    // The control's own procedure, for a message this class handles around it.
    LRESULT CallOriginal(UINT msg, WPARAM wp, LPARAM lp);
    void Click();

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void Detach();

    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
    std::function<void()> onClick_;
    std::optional<AccessibleControl> accessible_;
};

// What a program's links look like: the program chooses it.
struct LinkStyle {
    FontDesign font;
    COLORREF colour = 0;       // the text's, on the forms' background
    HCURSOR pointer = nullptr;  // over the link; nullptr: the window's
};

// A label in a link style, which screen readers hear as a link (its text the name, "Jump" its
// default action, as the platform names it). Its text is in the style's font and colour, or in
// the system's hot-tracking colour while high contrast is on; the style's pointer over it; sized
// to its text. Create the control with SS_NOTIFY | SS_NOPREFIX, and WS_TABSTOP for the keyboard:
// it then takes the focus, shows the system's focus rectangle (as the window's keyboard cues
// say), and Enter or Space activates it as a click does. Other keys go on to the window, so its
// own keys work whichever link has the focus.
class LinkLabel : public ClickableLabel, private OwnColours {
public:
    void Attach(HWND label, const LinkStyle& style, std::function<void()> onClick);

private:
    HBRUSH ColoursFor(HDC dc) override;
    // The colour of the link's text now.
    COLORREF TextColour() const;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;
    bool ShowsFocus() const;

    UniqueFont font_;
    COLORREF colour_ = 0;
    HCURSOR pointer_ = nullptr;
};

// Shrinks or grows a label to its text in its own font; it keeps its top-left corner.
void SizeLabelToText(HWND label);

}  // namespace win
