// The About window's links while the desktop's shell hangs: a hand-over that never answers, in
// place of the shell's (Wine's desktop window lives in its explorer, so stopping that process
// would stop this test's own windows too).

#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/about_window.h"
#include "app/window_names.h"
#include "core/shell_failure.h"
#include "tests/support/handles.h"
#include "tests/support/probe.h"
#include "tests/support/pump.h"
#include "win/program_folder.h"
#include "win/shell.h"

namespace {

using test_support::PumpUntil;
namespace names = app::names;

// The hung shell: enters, and returns only when the test lets it go (or long after the limit).
std::atomic<int> g_started{0};
std::atomic<int> g_returned{0};
HANDLE g_release = nullptr;

std::int32_t HungShell(const std::wstring&, const std::wstring&) {
    ++g_started;
    WaitForSingleObject(g_release, 3 * win::kHandOverLimitMs);
    ++g_returned;
    return 33;
}

// Watches the UI thread for the failure's message box from a thread of its own (the box's loop
// holds the UI thread), notes when it came and what it says, and dismisses it.
class BoxWatcher {
public:
    explicit BoxWatcher(DWORD uiThread)
        : thread_([this, uiThread] {
              while (!stop_) {
                  if (const HWND box = FindBox(uiThread)) {
                      wchar_t text[128] = L"", caption[64] = L"";
                      GetDlgItemTextW(box, 0xFFFF, text, 128);  // the box's text control
                      GetWindowTextW(box, caption, 64);
                      std::lock_guard<std::mutex> lock(mutex_);
                      texts_.push_back(text);
                      captions_.push_back(caption);
                      times_.push_back(GetTickCount());
                      handOverRunning_.push_back(g_started > g_returned);
                      // For a screenshot of the box over the window.
                      if (const char* hold = std::getenv("TAVELIN_HOLD_MS")) Sleep(static_cast<DWORD>(std::atoi(hold)));
                      SendMessageW(box, WM_COMMAND, IDOK, 0);
                      while (IsWindow(box) && !stop_) Sleep(5);
                  }
                  Sleep(5);
              }
          }) {}
    ~BoxWatcher() {
        stop_ = true;
        thread_.join();
    }
    std::size_t Seen() {
        std::lock_guard<std::mutex> lock(mutex_);
        return texts_.size();
    }
    std::wstring Text(std::size_t i) { std::lock_guard<std::mutex> lock(mutex_); return texts_[i]; }
    std::wstring Caption(std::size_t i) { std::lock_guard<std::mutex> lock(mutex_); return captions_[i]; }
    DWORD Time(std::size_t i) { std::lock_guard<std::mutex> lock(mutex_); return times_[i]; }
    bool HandOverRunning(std::size_t i) { std::lock_guard<std::mutex> lock(mutex_); return handOverRunning_[i]; }

private:
    static HWND FindBox(DWORD uiThread) {
        HWND found = nullptr;
        EnumThreadWindows(
            uiThread,
            [](HWND hwnd, LPARAM out) {
                wchar_t cls[16] = L"";
                GetClassNameW(hwnd, cls, 16);
                if (std::wstring(cls) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
                *reinterpret_cast<HWND*>(out) = hwnd;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&found));
        return found;
    }

    std::atomic<bool> stop_{false};
    std::mutex mutex_;
    std::vector<std::wstring> texts_, captions_;
    std::vector<DWORD> times_;
    std::vector<bool> handOverRunning_;
    std::thread thread_;
};

// A click as the mouse makes it, through the window's messages.
void Click(HWND link) {
    PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

TEST(AboutHandOver, AHungShellNeverHoldsTheWindowAndFailsWithinTheLimit) {
    const test_support::UniqueHandle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_release = release.get();
    g_started = 0;
    g_returned = 0;
    auto about = std::make_shared<app::AboutWindow>(
        app::AboutWindow::Needs{L"Tavelin v.9.8.7", win::ProgramFolder(), [] {}, &HungShell});
    about->Show();
    const HWND window = about->Hwnd();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    BoxWatcher boxes(GetCurrentThreadId());

    const DWORD clicked = GetTickCount();
    Click(GetDlgItem(window, names::kLicenceLink));
    ASSERT_TRUE(PumpUntil([] { return g_started == 1; }, 2000)) << "the hand-over starts";

    // The window takes input while the shell holds the hand-over: a key moves the focus.
    PostMessageW(window, WM_KEYDOWN, VK_TAB, 1);
    PostMessageW(window, WM_KEYUP, VK_TAB, 1 | (3u << 30));
    EXPECT_TRUE(PumpUntil([&] { return GetFocus() == GetDlgItem(window, names::kHomePageLink); }, 2000))
        << "Tab reaches the first link";
    EXPECT_EQ(g_returned, 0) << "while the hand-over is still held";

    // More clicks while it is pending start nothing.
    Click(GetDlgItem(window, names::kReadmeLink));
    Click(GetDlgItem(window, names::kHomePageLink));

    // The limit's failure, in the failure table's words, while the shell still holds it.
    ASSERT_TRUE(PumpUntil([&] { return boxes.Seen() >= 1; }, win::kHandOverLimitMs + 3000))
        << "a failure within the limit";
    EXPECT_EQ(boxes.Text(0), std::wstring(*core::ShellFailureText(win::kHandOverTimedOut)));
    EXPECT_EQ(boxes.Caption(0), names::kApplicationTitle);
    EXPECT_GE(boxes.Time(0) - clicked, win::kHandOverLimitMs - 100) << "not before the limit";
    EXPECT_TRUE(boxes.HandOverRunning(0));
    EXPECT_EQ(g_started, 1) << "one hand-over for three clicks";

    // The shell still has not answered: another click says so at once and starts nothing.
    const DWORD again = GetTickCount();
    Click(GetDlgItem(window, names::kLicenceLink));
    ASSERT_TRUE(PumpUntil([&] { return boxes.Seen() >= 2; }, 3000));
    EXPECT_EQ(boxes.Text(1), std::wstring(*core::ShellFailureText(win::kHandOverTimedOut)));
    EXPECT_LT(boxes.Time(1) - again, win::kHandOverLimitMs) << "without waiting out another limit";
    EXPECT_EQ(g_started, 1);

    // A close request is taken too, and the window object may go while the shell holds the
    // hand-over: the late answer touches nothing of it.
    PostMessageW(window, WM_CLOSE, 0, 0);
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 2000)) << "the window closes";
    EXPECT_EQ(g_returned, 0);
    about.reset();
    SetEvent(release.get());
    EXPECT_TRUE(PumpUntil([] { return g_returned == 1; }, 5000));
    test_support::Pump(100);  // the answer's post, to a window that has gone
    EXPECT_EQ(boxes.Seen(), 2u) << "nothing more to tell once the window has gone";
}

// A hand-over the shell answers in time brings its own result, and the next click starts
// another.
TEST(AboutHandOver, AnAnswerWithinTheLimitIsReportedAndTheNextClickStartsAgain) {
    static std::atomic<int> calls{0};
    calls = 0;
    auto about = std::make_shared<app::AboutWindow>(app::AboutWindow::Needs{
        L"Tavelin v.9.8.7", win::ProgramFolder(), [] {}, [](const std::wstring&, const std::wstring&) {
            ++calls;
            return std::int32_t{31};
        }});
    about->Show();
    const HWND window = about->Hwnd();
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(window) != FALSE; }, 5000));
    BoxWatcher boxes(GetCurrentThreadId());
    for (std::size_t i = 0; i < 2; ++i) {
        const DWORD clicked = GetTickCount();
        Click(GetDlgItem(window, names::kReadmeLink));
        ASSERT_TRUE(PumpUntil([&] { return boxes.Seen() > i; }, win::kHandOverLimitMs)) << i;
        EXPECT_EQ(boxes.Text(i), std::wstring(*core::ShellFailureText(31)));
        EXPECT_LT(boxes.Time(i) - clicked, win::kHandOverLimitMs - 1000) << "the answer, not the limit";
    }
    EXPECT_EQ(calls, 2);
    about->Unload();
}

// Runs fail_fast_probe.exe (beside this test) with its hand-over held by a hung shell; its exit
// code, or STILL_ACTIVE when it had not ended.
DWORD ProbeWithHeldHandOver() { return test_support::RunProbe(L"held-hand-over", 20000); }

TEST(AboutHandOver, TheProcessEndsWhileTheShellHoldsAHandOver) {
    EXPECT_EQ(ProbeWithHeldHandOver(), 42u) << "the probe's own exit code, not a hang";
}

}  // namespace
