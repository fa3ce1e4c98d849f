// The floor for Tavelin's job: open the volume, flush it five times, close it and show the
// system's text in one plain window. No wait window, no clip, no forms.
#include <windows.h>

#include <string>

namespace {
LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(hwnd, msg, wp, lp);
}
}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
    const std::wstring path = L"\\\\.\\" + std::wstring(args).substr(0, 2);
    DWORD error = 0;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           OPEN_ALWAYS, FILE_FLAG_NO_BUFFERING, nullptr);
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

    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"BareFlush";
    RegisterClassW(&wc);
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
