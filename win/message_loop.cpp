#include "win/message_loop.h"

namespace win {

namespace {

constexpr wchar_t kNavigationProperty[] = L"TavelinNavigationKeys";

NavigationKeys KeysOf(HWND root) {
    return static_cast<NavigationKeys>(reinterpret_cast<INT_PTR>(GetPropW(root, kNavigationProperty)));
}

bool Held(int key) { return (GetKeyState(key) & 0x8000) != 0; }

}  // namespace

void UseNavigationKeys(HWND window, NavigationKeys keys) {
    if (keys == NavigationKeys::None) {
        RemovePropW(window, kNavigationProperty);
    } else {
        SetPropW(window, kNavigationProperty, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(keys)));
    }
}

void DispatchOne(MSG& msg) {
    if (const HWND root = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr) {
        switch (KeysOf(root)) {
            case NavigationKeys::Dialog:
                if (IsDialogMessageW(root, &msg)) return;
                break;
            case NavigationKeys::Tab:
                if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB && !Held(VK_CONTROL)) {
                    // As in a dialog: the keyboard user now sees where the focus is.
                    SendMessageW(root, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
                    SendMessageW(root, WM_NEXTDLGCTL, Held(VK_SHIFT) ? 1 : 0, FALSE);
                    return;
                }
                break;
            case NavigationKeys::None:
                break;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

void DoEvents() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            // Leave it for the outermost loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        DispatchOne(msg);
    }
}

}  // namespace win
