// Passes per second of the screen effect (preset 0) against a bare loop that makes the same
// 128 x 128 block copy inside a full-screen window and yields once per pass, measured in the
// same run, alternating, and printed as figures with their ratio.
//
//   effect_bench [--seconds S] [--rounds N]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/screen_effect_window.h"
#include "app/window_names.h"
#include "tests/support/pe_image.h"
#include "win/form.h"
#include "win/handles.h"
#include "win/message_loop.h"

namespace {

using BitBltFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
BitBltFn g_bitBlt = nullptr;
long g_passes = 0;
DWORD g_firstPass = 0;
DWORD g_lastPass = 0;
DWORD g_runMs = 0;
bool g_stopPosted = false;

// Counts in-window copies (source DC = destination DC) and ends the effect at the deadline.
BOOL WINAPI CountingBitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy, DWORD rop) {
    const BOOL ok = g_bitBlt(dst, x, y, w, h, src, sx, sy, rop);
    if (dst == src) {
        g_lastPass = GetTickCount();
        if (g_passes++ == 0) g_firstPass = g_lastPass;
        if (!g_stopPosted && g_lastPass - g_firstPass >= g_runMs) {
            g_stopPosted = true;
            PostMessageW(WindowFromDC(dst), WM_CHAR, 'q', 0);
        }
    }
    return ok;
}

double EffectPassesPerSecond(DWORD ms) {
    g_passes = 0;
    g_stopPosted = false;
    g_runMs = ms;
    std::make_shared<app::ScreenEffectWindow>(0)->Show(win::ShowMode::Modal);
    // Counted from the first pass to the last: set-up and close are not part of the loop.
    return (g_passes - 1) * 1000.0 / std::max<DWORD>(1, g_lastPass - g_firstPass);
}

LRESULT CALLBACK BareProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_ERASEBKGND) return 1;
    return DefWindowProcW(hwnd, msg, wp, lp);
}

double BarePassesPerSecond(DWORD ms) {
    const int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    HWND hwnd = CreateWindowExW(0, L"EffectBenchBare", L"", WS_POPUP | WS_VISIBLE, 0, 0, w, h,
                                win::ApplicationWindow(), nullptr, GetModuleHandleW(nullptr), nullptr);
    win::WindowDc window(hwnd);
    const HDC dc = window.get();
    uint32_t state = 2463534242u;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    };
    g_passes = 0;
    g_runMs = ms + 1000000;  // the bare loop ends by itself
    g_stopPosted = false;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < ms) {
        const int x = static_cast<int>(next() % static_cast<uint32_t>(w - 127));
        const int y = static_cast<int>(next() % static_cast<uint32_t>(h - 127));
        const int dx = static_cast<int>(next() % 3) - 1, dy = static_cast<int>(next() % 3) - 1;
        BitBlt(dc, x + dx, y + dy, 128, 128, dc, x, y, SRCCOPY);
        win::DoEvents();
    }
    const double rate = (g_passes - 1) * 1000.0 / std::max<DWORD>(1, g_lastPass - g_firstPass);
    window.reset();
    DestroyWindow(hwnd);
    win::DoEvents();
    return rate;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    win::CreateApplicationWindow(app::names::kApplicationWindowClass, app::names::kApplicationTitle);
    double seconds = 2.0;
    int rounds = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--seconds") seconds = std::atof(argv[i + 1]);
        else if (a == "--rounds") rounds = std::atoi(argv[i + 1]);
    }
    g_bitBlt = reinterpret_cast<BitBltFn>(test_support::PatchImport(
        "gdi32.dll", "BitBlt", reinterpret_cast<void*>(&CountingBitBlt)));
    if (!g_bitBlt) {
        std::printf("effect_bench: BitBlt import not found\n");
        return 2;
    }
    WNDCLASSW wc{};
    wc.lpfnWndProc = BareProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"EffectBenchBare";
    RegisterClassW(&wc);

    const DWORD ms = static_cast<DWORD>(seconds * 1000);
    std::vector<double> effectRates, bareRates, ratios;
    for (int round = 0; round < rounds; ++round) {
        // Alternate which goes first, so that neither gains from the machine's drift.
        double bare = 0, fx = 0;
        if (round % 2 == 0) {
            bare = BarePassesPerSecond(ms);
            fx = EffectPassesPerSecond(ms);
        } else {
            fx = EffectPassesPerSecond(ms);
            bare = BarePassesPerSecond(ms);
        }
        bareRates.push_back(bare);
        effectRates.push_back(fx);
        ratios.push_back(fx / bare);
        std::printf("round %d: bare %.0f passes/s, effect preset 0 %.0f passes/s, ratio %.3f\n",
                    round + 1, bare, fx, fx / bare);
        std::fflush(stdout);
    }
    std::printf("median: bare %.0f passes/s, effect %.0f passes/s, median ratio %.3f (goal >= 0.9)\n",
                Median(bareRates), Median(effectRates), Median(ratios));
    return 0;
}
