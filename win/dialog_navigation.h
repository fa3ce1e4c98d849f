#pragma once
// Moving between a window's controls from the keyboard as in a dialog, for windows that are not
// dialogs: which keys the message loop hands over (NavigationKeys), and the answers a dialog
// procedure gives to what those keys send (DialogNavigation).

#include <windows.h>

namespace win {

// Which keys a top-level window leaves to the message loop for moving around its controls.
enum class NavigationKeys {
    None,
    Tab,     // Tab and Shift+Tab move the focus between tab stops (WM_NEXTDLGCTL)
    Dialog,  // everything a dialog does: Tab, access keys, Enter, Escape (IsDialogMessage)
};

// For the message loop, before a message is translated: true when `msg` was a navigation key of
// its top-level window and has been handled (it must not be dispatched).
bool TakeNavigationKey(MSG& msg);

// The keyboard navigation of one top-level window, from Attach to Detach: the window's mark for
// the message loop, the answers to WM_NEXTDLGCTL (when it has navigation keys) and DM_GETDEFID,
// and its focus, kept while another window is active and given back on its return.
class DialogNavigation {
public:
    // `focusOnShow`: the first tab stop takes the focus when the window is first activated.
    DialogNavigation(NavigationKeys keys, bool focusOnShow) : keys_(keys), focusOnShow_(focusOnShow) {}
    DialogNavigation(const DialogNavigation&) = delete;
    DialogNavigation& operator=(const DialogNavigation&) = delete;
    ~DialogNavigation() { Detach(); }

    void Attach(HWND window);
    // Before the window goes; does nothing when not attached.
    void Detach();

    // A message of the window; true when answered (the answer in `result`).
    bool Handle(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result);

private:
    void KeepFocus();
    void RestoreFocus();
    // WM_NEXTDLGCTL as a dialog procedure answers it: the focus goes to the control in `wp` when
    // LOWORD(lp) is set, otherwise to the next (wp == 0) or previous tab stop.
    void MoveFocus(WPARAM wp, LPARAM lp);

    const NavigationKeys keys_;
    const bool focusOnShow_;
    HWND window_ = nullptr;
    HWND lastFocus_ = nullptr;
};

}  // namespace win
