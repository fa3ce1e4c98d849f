#pragma once
// What screen readers learn of a control through Active Accessibility (MSAA, which UI Automation
// bridges for Narrator): a control that acts on a click but is not one of the system's own
// (a subclassed static) tells its role, name, state and default action here, and follows its
// default action as a click does.

#include <windows.h>

#include <memory>

#include "win/com.h"

namespace win {

// What a control is, as a screen reader names it.
struct AccessibleRole {
    long role = 0;                          // ROLE_SYSTEM_...
    const wchar_t* defaultAction = nullptr; // the action's name as the system names it for the role
    long states = 0;                        // STATE_SYSTEM_... it always has (focusable, focused,
                                            // unavailable and invisible follow the control)
};

// Answers a control's WM_GETOBJECT for its client area with an accessible object of its own: the
// role above, the control's text as its name, a location that is the control's rectangle on the
// screen, no children. The default action posts `actionMessage` to the control, which then acts
// as on a click: the screen reader's request returns at once, even when the action opens a modal
// window. The object outlives the control as long as a screen reader holds it; from the control's
// end on, it answers that it is no longer connected.
class AccessibleControl {
public:
    AccessibleControl(HWND control, AccessibleRole role, UINT actionMessage);
    AccessibleControl(const AccessibleControl&) = delete;
    AccessibleControl& operator=(const AccessibleControl&) = delete;
    ~AccessibleControl();

    // The answer to WM_GETOBJECT; false for other objects than the client area (and when the
    // system's accessibility library is missing), which the control's own procedure answers.
    bool Answer(WPARAM wp, LPARAM lp, LRESULT& result);

private:
    class Object;
    struct Libraries;
    const HWND control_;
    const AccessibleRole role_;
    const UINT actionMessage_;
    // Made on the first question; the object keeps the libraries for as long as it lives.
    std::shared_ptr<const Libraries> libraries_;
    ComPtr<Object> object_;
};

}  // namespace win
