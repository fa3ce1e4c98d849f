#include "win/message_loop.h"

#include "win/dialog_navigation.h"
#include "win/failure.h"

namespace win {

namespace {

// The one rule for a quit, whichever loop meets it: that loop ends, and the quit stays posted
// for the loops around it.
bool EndsTheLoop(const MSG& msg) {
    if (msg.message != WM_QUIT) return false;
    PostQuitMessage(static_cast<int>(msg.wParam));
    return true;
}

// Routes one message: the navigation keys of its top-level window, then translate and dispatch.
void DispatchOne(MSG& msg) {
    if (TakeNavigationKey(msg)) return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace

bool DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (EndsTheLoop(msg)) return false;
        DispatchOne(msg);
    }
    return true;
}

bool RunMessagesUntil(const std::function<bool()>& done) {
    MSG msg;
    while (!done()) {
        if (GetMessageW(&msg, nullptr, 0, 0) == -1) ThrowLastError("GetMessageW");
        if (EndsTheLoop(msg)) return false;
        DispatchOne(msg);
    }
    return true;
}

}  // namespace win
