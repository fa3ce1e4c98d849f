// Runs the screen effect window the way the program does (a modal caller window makes one with a
// preset for each run and shows it modally), with any preset and any number of runs in one process, and
// reports what the runs did: passes, shifts and source points of the block copies, and the
// screen DCs taken and released. Ends with "effect_runner: PASS" when every check held.
//
//   effect_runner [--presets N,M,...] [--runs K] [--stop-passes P,...] [--pause-at P,Q --go-file F]
//                 [--repaint-at P] [--wait-file F] [--queue-input char|click] [--timeout-ms T]
//
// --presets   the presets to run in order (default 0); --runs repeats the list K times
// --stop-passes  post a character key to the effect after P passes (0: wait for real input); a
//             list P,Q,... gives each preset of the list its own, the last one for the rest
// --pause-at  after each pass P of the list, hold the effect (no message is taken) until the
//             file F followed by P exists (F is a prefix: --go-file C:\x\go waits for go2, ...)
// --repaint-at  after pass P, invalidate the whole effect window (it repaints at the next yield)
// --wait-file  wait until file F exists before the first run (screenshot of the desktop)
// --queue-input  post a click or a character key while the effect sets up (at its screen DC)
// --timeout-ms  a run still going after T ms is stopped and counts as a failure

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/screen_effect_window.h"
#include "app/window_names.h"
#include "core/effect_presets.h"
#include "tests/support/pe_image.h"
#include "tests/support/text.h"
#include "win/form.h"
#include "win/handles.h"
#include "win/message_loop.h"

namespace {

struct Options {
    std::vector<int> presets{0};
    int runs = 1;
    std::vector<int> stopPasses{0};  // per preset of the list, the last one for the rest
    std::vector<int> pauseAt;
    long repaintAt = 0;
    std::wstring goFile;
    std::wstring waitFile;
    std::string queueInput;
    DWORD timeoutMs = 0;
};

// The smallest and largest of the values seen.
struct Range {
    int min = 1 << 30, max = -(1 << 30);
    void Add(int v) {
        min = std::min(min, v);
        max = std::max(max, v);
    }
};

// What the hooks saw during the current run.
struct RunRecord {
    long passes = 0;
    Range dx, dy, x, y;  // the shifts and source points of the block copies
    int blockW = -1, blockH = -1;
    bool blockSizeChanged = false;
    int screenDcsHeldInLoop = -1;
    bool stopPosted = false;
    bool timedOut = false;
    bool queued = false;
    DWORD startTick = 0;
    long stopAt = 0;  // the pass after which the key is posted (0: never)
};

Options g_options;
RunRecord g_run;
bool g_inRun = false;
std::map<HDC, int> g_screenDcs;  // screen DCs taken and not yet released
long g_screenDcsTaken = 0;
long g_screenDcsReleased = 0;
long g_badReleases = 0;

using GetDcFn = HDC(WINAPI*)(HWND);
using ReleaseDcFn = int(WINAPI*)(HWND, HDC);
using BitBltFn = BOOL(WINAPI*)(HDC, int, int, int, int, HDC, int, int, DWORD);
GetDcFn g_getDc = nullptr;
ReleaseDcFn g_releaseDc = nullptr;
BitBltFn g_bitBlt = nullptr;

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

HWND EffectWindow() { return FindWindowW(app::names::kScreenEffectWindowClass, nullptr); }

void PostInput(HWND hwnd, const std::string& kind) {
    if (kind == "click") {
        PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
        PostMessageW(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    } else {
        PostMessageW(hwnd, WM_CHAR, 'q', 0);
    }
}

HDC WINAPI CountingGetDc(HWND hwnd) {
    const HDC dc = g_getDc(hwnd);
    if (!hwnd && dc) {
        ++g_screenDcs[dc];
        ++g_screenDcsTaken;
        // The run takes the screen DC: the window already covers the screen, no pass yet.
        HWND effect = EffectWindow();
        RECT r{};
        if (g_inRun && !g_options.queueInput.empty() && !g_run.queued && effect &&
            GetWindowRect(effect, &r) && r.right - r.left == GetSystemMetrics(SM_CXSCREEN) &&
            g_run.passes == 0) {
            g_run.queued = true;
            PostInput(effect, g_options.queueInput);
        }
    }
    return dc;
}

int WINAPI CountingReleaseDc(HWND hwnd, HDC dc) {
    if (!hwnd) {
        auto it = g_screenDcs.find(dc);
        if (it == g_screenDcs.end()) {
            ++g_badReleases;
        } else {
            ++g_screenDcsReleased;
            if (--it->second == 0) g_screenDcs.erase(it);
        }
    }
    return g_releaseDc(hwnd, dc);
}

int OutstandingScreenDcs() {
    int n = 0;
    for (const auto& entry : g_screenDcs) n += entry.second;
    return n;
}

void HoldUntil(const std::wstring& file) {
    // Keeps the window's picture on screen without taking any message off the queue.
    MSG msg;
    while (!FileExists(file)) {
        PeekMessageW(&msg, nullptr, WM_NULL, WM_NULL, PM_NOREMOVE);
        Sleep(20);
    }
}

BOOL WINAPI RecordingBitBlt(HDC dst, int x, int y, int w, int h, HDC src, int sx, int sy,
                            DWORD rop) {
    const BOOL ok = g_bitBlt(dst, x, y, w, h, src, sx, sy, rop);
    if (!g_inRun || dst != src) return ok;
    RunRecord& r = g_run;
    if (r.passes == 0) {
        r.screenDcsHeldInLoop = OutstandingScreenDcs();
        r.startTick = GetTickCount();
        std::printf("effect running\n");
        std::fflush(stdout);
    }
    ++r.passes;
    r.dx.Add(x - sx);
    r.dy.Add(y - sy);
    r.x.Add(sx);
    r.y.Add(sy);
    if (r.blockW >= 0 && (r.blockW != w || r.blockH != h)) r.blockSizeChanged = true;
    r.blockW = w;
    r.blockH = h;
    for (int at : g_options.pauseAt) {
        if (r.passes != at) continue;
        std::printf("paused at pass %ld\n", r.passes);
        std::fflush(stdout);
        HoldUntil(g_options.goFile + std::to_wstring(at));
    }
    const HWND effect = WindowFromDC(dst);
    if (g_options.repaintAt && r.passes == g_options.repaintAt) InvalidateRect(effect, nullptr, FALSE);
    if (r.stopAt && r.passes == r.stopAt && !r.stopPosted) {
        r.stopPosted = true;
        PostInput(effect, "char");
    }
    if (g_options.timeoutMs && !r.stopPosted && GetTickCount() - r.startTick > g_options.timeoutMs) {
        r.stopPosted = true;
        r.timedOut = true;
        PostInput(effect, "char");
    }
    return ok;
}

bool g_allOk = true;

void Check(bool ok, int run, const char* what) {
    if (!ok) {
        g_allOk = false;
        std::printf("FAIL run %d: %s\n", run, what);
    }
}

// The caller: a small window that shows the effect modally, as the About window does, from its
// activation; its picture gives the effect something to bend.
class Caller : public win::Form {
public:
    Caller() : win::Form(MakeDesign()) {}

protected:
    void OnActivate() override {
        if (started_) return;
        started_ = true;
        if (!g_options.waitFile.empty()) {
            std::printf("waiting\n");
            std::fflush(stdout);
            while (!FileExists(g_options.waitFile)) {
                win::DoEvents();
                Sleep(20);
            }
        }
        PlayAll();
        Unload();
    }

    bool OnMessage(UINT msg, WPARAM, LPARAM, LRESULT& result) override {
        if (msg != WM_PAINT) return false;
        const win::PaintDc paint(Hwnd());
        const HDC dc = paint.get();
        RECT client;
        GetClientRect(Hwnd(), &client);
        // Colour bands and a diagonal line pattern: a picture in which shifted blocks show.
        for (int x = 0; x < client.right; x += 8) {
            RECT band{x, 0, x + 8, client.bottom};
            const win::UniqueBrush brush(CreateSolidBrush(RGB((x * 5) & 255, (x * 3 + 80) & 255, 255 - (x & 255))));
            FillRect(dc, &band, brush.get());
        }
        for (int i = -client.bottom; i < client.right; i += 12) {
            MoveToEx(dc, i, 0, nullptr);
            LineTo(dc, i + client.bottom, client.bottom);
        }
        SetBkMode(dc, TRANSPARENT);
        TextOutW(dc, 20, 20, L"Effect caller", 13);
        result = 0;
        return true;
    }

private:
    static win::FormDesign MakeDesign() {
        win::FormDesign d;
        d.className = L"EffectCaller";
        d.caption = L"Effect caller";
        d.style = WS_POPUP | WS_DLGFRAME;
        d.clientWidth = 6000;
        d.clientHeight = 3000;
        d.place = win::FormDesign::Place::CenterScreen;
        d.backgroundSysColor = -1;
        return d;
    }

    void PlayAll() {
        int run = 0;
        for (int repeat = 0; repeat < g_options.runs; ++repeat) {
            for (std::size_t i = 0; i < g_options.presets.size(); ++i) {
                const int preset = g_options.presets[i];
                ++run;
                g_run = RunRecord{};
                g_run.stopAt = g_options.stopPasses[std::min(i, g_options.stopPasses.size() - 1)];
                const int before = OutstandingScreenDcs();
                g_inRun = true;
                // As the program does it: a new window object for each run.
                auto effect = std::make_shared<app::ScreenEffectWindow>(static_cast<int16_t>(preset));
                const std::weak_ptr<app::ScreenEffectWindow> watch = effect;
                effect->Show(win::ShowMode::Modal);
                g_inRun = false;
                const bool loaded = effect->IsLoaded();
                effect.reset();
                Report(run, preset, before, loaded || !watch.expired());
            }
        }
    }

    void Report(int run, int preset, int dcsBefore, bool windowLivesOn) {
        const RunRecord& r = g_run;
        core::EffectParameters p;
        core::LoadPreset(static_cast<int16_t>(preset), p);
        std::printf("run %d preset %d returned passes=%ld dx=[%d,%d] dy=[%d,%d] x=[%d,%d] y=[%d,%d]"
                    " block=%dx%d screen_dcs_in_loop=%d screen_dcs_after=%d stop=%s\n",
                    run, preset, r.passes, r.dx.min, r.dx.max, r.dy.min, r.dy.max, r.x.min, r.x.max,
                    r.y.min, r.y.max, r.blockW, r.blockH, r.screenDcsHeldInLoop,
                    OutstandingScreenDcs(), r.timedOut ? "timeout" : r.stopPosted ? "posted" : "none");
        std::fflush(stdout);
        Check(!r.timedOut, run, "the effect did not end before the timeout");
        Check(!windowLivesOn, run, "the effect window outlived its run");
        Check(OutstandingScreenDcs() == dcsBefore, run, "screen DC not released");
        Check(IsWindowEnabled(Hwnd()) != FALSE, run, "caller still disabled");
        if (r.passes == 0) return;  // ended before its first pass (an arithmetic error)
        Check(r.screenDcsHeldInLoop == dcsBefore + 1, run, "screen DC not held during the loop");
        Check(!r.blockSizeChanged && r.blockW == p.blockw && r.blockH == p.blockh, run,
              "block size differs from the preset");
        const int W = GetSystemMetrics(SM_CXSCREEN), H = GetSystemMetrics(SM_CYSCREEN);
        // The margin is 128 whatever the block; a screen smaller than that gives negative points.
        Check(r.x.min >= std::min(0, W - 128) && r.x.max <= std::max(0, W - 128) &&
                  r.y.min >= std::min(0, H - 128) && r.y.max <= std::max(0, H - 128),
              run, "source point outside the range between 0 and W-128 (H-128)");
        // A new window object: the ranges a preset leaves unset are 0, so the shift is fixed.
        Check(r.dx.min >= -p.biasx && r.dx.max <= p.rangex - p.biasx, run, "dx outside its range");
        Check(r.dy.min >= -p.biasy && r.dy.max <= p.rangey - p.biasy, run, "dy outside its range");
        if (g_options.queueInput.size()) Check(r.passes == 1, run, "queued input did not end the first pass");
        // A run can also end by itself (an arithmetic error); the scripts tell those apart.
        if (r.stopPosted && !r.timedOut)
            Check(r.passes == r.stopAt, run, "the pass with the input was not the last");
    }

    bool started_ = false;
};

std::vector<int> ParseList(const char* text) {
    std::vector<int> values;
    for (const char* p = text; *p;) {
        char* end = nullptr;
        values.push_back(static_cast<int>(std::strtol(p, &end, 10)));
        p = *end == ',' ? end + 1 : end;
        if (end == p && *p) break;
    }
    return values;
}

}  // namespace

int main(int argc, char** argv) {
    win::CreateApplicationWindow(app::names::kApplicationWindowClass, app::names::kApplicationTitle);
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        const char* v = i + 1 < argc ? argv[i + 1] : "";
        if (a == "--presets" || a == "--preset") g_options.presets = ParseList(v), ++i;
        else if (a == "--runs") g_options.runs = std::atoi(v), ++i;
        else if (a == "--stop-passes") g_options.stopPasses = ParseList(v), ++i;
        else if (a == "--pause-at") g_options.pauseAt = ParseList(v), ++i;
        else if (a == "--go-file") g_options.goFile = test_support::Wide(v), ++i;
        else if (a == "--repaint-at") g_options.repaintAt = std::atol(v), ++i;
        else if (a == "--wait-file") g_options.waitFile = test_support::Wide(v), ++i;
        else if (a == "--queue-input") g_options.queueInput = v, ++i;
        else if (a == "--timeout-ms") g_options.timeoutMs = static_cast<DWORD>(std::atol(v)), ++i;
        else {
            std::printf("unknown option %s\n", a.c_str());
            return 2;
        }
    }
    g_getDc = reinterpret_cast<GetDcFn>(test_support::PatchImport(
        "user32.dll", "GetDC", reinterpret_cast<void*>(&CountingGetDc)));
    g_releaseDc = reinterpret_cast<ReleaseDcFn>(test_support::PatchImport(
        "user32.dll", "ReleaseDC", reinterpret_cast<void*>(&CountingReleaseDc)));
    g_bitBlt = reinterpret_cast<BitBltFn>(test_support::PatchImport(
        "gdi32.dll", "BitBlt", reinterpret_cast<void*>(&RecordingBitBlt)));
    if (!g_getDc || !g_releaseDc || !g_bitBlt) {
        std::printf("effect_runner: imports not found\n");
        return 2;
    }
    std::printf("screen %dx%d\n", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    Caller caller;
    caller.Show(win::ShowMode::Modal);

    std::printf("screen dcs taken=%ld released=%ld outstanding=%d bad_releases=%ld gdi_objects=%lu\n",
                g_screenDcsTaken, g_screenDcsReleased, OutstandingScreenDcs(), g_badReleases,
                GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS));
    Check(OutstandingScreenDcs() == 0 && g_badReleases == 0, 0, "screen DCs unbalanced");
    std::printf("effect_runner: %s\n", g_allOk ? "PASS" : "FAIL");
    return g_allOk ? 0 : 1;
}
