// The floor for Tavelin's job: open the volume, flush it five times, close it and show the
// system's text in one plain window. No clip, no forms. Built with BARE_WAIT_WINDOW it first
// shows a plain, empty window while it flushes and hides it after, as the program does with its
// wait window: the platform's own cost of the windows the program must show.
#include <windows.h>

#include <string>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void PumpOnce() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareFlush";
    RegisterClassW(&wc);
#ifdef BARE_WAIT_WINDOW
    wc.lpszClassName = L"BareWait";
    RegisterClassW(&wc);
    HWND wait = CreateWindowExW(WS_EX_APPWINDOW, L"BareWait", L"", WS_POPUP | WS_THICKFRAME, 384, 353, 257, 64,
                                nullptr, nullptr, instance, nullptr);
    ShowWindow(wait, SW_SHOW);
    PumpOnce();
#endif
    const std::wstring path = L"\\\\.\\" + std::wstring(args).substr(0, 2);
    DWORD error = 0;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_FLAG_NO_BUFFERING, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = GetLastError();
    } else {
        for (int i = 0; i < 5 && !error; ++i) {
            if (!FlushFileBuffers(h)) error = GetLastError();
        }
        CloseHandle(h);
    }
    wchar_t text[512] = {};
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
                   text, 512, nullptr);

#ifdef BARE_WAIT_WINDOW
    ShowWindow(wait, SW_HIDE);
    PumpOnce();
#endif
    HWND hwnd = CreateWindowW(L"BareFlush", L"Bare flush", WS_OVERLAPPEDWINDOW, 100, 100, 320, 160,
                              nullptr, nullptr, instance, nullptr);
    CreateWindowW(L"STATIC", text, WS_CHILD | WS_VISIBLE, 8, 8, 300, 100, hwnd, nullptr, instance, nullptr);
    ShowWindow(hwnd, SW_SHOW);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(error);
}
