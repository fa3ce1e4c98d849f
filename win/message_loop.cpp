#include "win/message_loop.h"

namespace win {

namespace {
constexpr wchar_t kDialogKeysProperty[] = L"TavelinDialogKeys";
}  // namespace

void UseDialogKeys(HWND window, bool use) {
    if (use) {
        SetPropW(window, kDialogKeysProperty, reinterpret_cast<HANDLE>(1));
    } else {
        RemovePropW(window, kDialogKeysProperty);
    }
}

void DispatchOne(MSG& msg) {
    if (msg.hwnd) {
        const HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (root && GetPropW(root, kDialogKeysProperty) && IsDialogMessageW(root, &msg)) return;
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
