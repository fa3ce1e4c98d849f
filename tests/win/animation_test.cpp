#include "win/animation.h"

#include <gtest/gtest.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "tests/support/pump.h"
#include "win/handles.h"

namespace {

using test_support::Pump;
using win::Animation;

// The program's clips are generated beside the test executable.
std::wstring Beside(const wchar_t* name) {
    wchar_t path[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir(path, n);
    return dir.substr(0, dir.find_last_of(L'\\') + 1) + name;
}


int ThreadsOfThisProcess() {
    const win::UniqueFile snap(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snap) return -1;
    int count = 0;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Thread32First(snap.get(), &entry); more; more = Thread32Next(snap.get(), &entry))
        if (entry.th32OwnerProcessID == GetCurrentProcessId()) ++count;
    return count;
}

class AnimationTest : public testing::Test {
protected:
    void SetUp() override {
        host_ = CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 100, 100, 300,
                                120, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host_, nullptr);
        anim_ = Animation::Create({.parent = host_, .className = L"TestAnimation", .id = 1, .pixels = {0, 0, 252, 58}});
        ASSERT_NE(anim_.Hwnd(), nullptr);
        Pump(50);
    }
    void TearDown() override {
        if (host_) DestroyWindow(host_);
    }

    LRESULT Painted() const { return SendMessageW(anim_.Hwnd(), win::ANM_FRAMESPAINTED, 0, 0); }
    LRESULT Rate() const { return SendMessageW(anim_.Hwnd(), win::ANM_FRAMERATE, 0, 0); }

    // The control's pixels as they are on screen now, 0x00BBGGRR.
    std::vector<COLORREF> Snapshot(int width, int height) const {
        std::vector<COLORREF> out;
        const win::WindowDc dc(anim_.Hwnd());
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) out.push_back(GetPixel(dc.get(), x, y));
        return out;
    }

    HWND host_ = nullptr;
    Animation anim_;
};

TEST_F(AnimationTest, RefusesMissingAndUnplayableFiles) {
    EXPECT_FALSE(anim_.Open(Beside(L"no such clip.avi")));
    EXPECT_FALSE(anim_.Play());

    wchar_t dir[MAX_PATH], junk[MAX_PATH];
    ASSERT_NE(GetTempPathW(MAX_PATH, dir), 0u);
    ASSERT_NE(GetTempFileNameW(dir, L"avi", 0, junk), 0u);
    const char bytes[] = "RIFF\x10\0\0\0AVI LIST\x04\0\0\0hdrl";
    {
        const win::UniqueFile f(CreateFileW(junk, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(f);
        DWORD written = 0;
        WriteFile(f.get(), bytes, sizeof bytes - 1, &written, nullptr);
    }
    EXPECT_FALSE(anim_.Open(junk));
    EXPECT_FALSE(anim_.Play());
    DeleteFileW(junk);

    // A failed open also closes the clip that was open before.
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    EXPECT_FALSE(anim_.Open(Beside(L"no such clip.avi")));
    EXPECT_EQ(Rate(), 0);
}

TEST_F(AnimationTest, OpensTheProgramClipsAtTheirRates) {
    EXPECT_EQ(Rate(), 0);
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    EXPECT_EQ(Rate(), 15000);  // frames per 1000 s
    ASSERT_TRUE(anim_.Open(Beside(L"korvane2.dll")));
    EXPECT_EQ(Rate(), 12500);
}

TEST_F(AnimationTest, KeepsMovingWhileTheUiThreadIsBlocked) {
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    ASSERT_TRUE(anim_.Play());
    const LRESULT fps = Rate() / 1000;

    // No messages are processed from here on: only the painter thread can change the pixels.
    const LRESULT before = Painted();
    const DWORD start = GetTickCount();
    std::vector<std::vector<COLORREF>> shots;
    for (int i = 0; i < 4; ++i) {
        Sleep(250);
        shots.push_back(Snapshot(249, 56));
    }
    const LRESULT during = Painted() - before;
    const LRESULT due = static_cast<LRESULT>(GetTickCount() - start) * fps / 1000;
    EXPECT_GE(during, due / 2) << "frames painted while blocked; " << due << " were due";
    EXPECT_LE(during, due + 2) << "faster than the clip's rate";
    int changes = 0;
    for (std::size_t i = 1; i < shots.size(); ++i) changes += shots[i] != shots[i - 1];
    EXPECT_GE(changes, 2) << "the picture on screen should change while blocked";
}

TEST_F(AnimationTest, StopEndsPaintingAndPlayRestartsTheCount) {
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    ASSERT_TRUE(anim_.Play());
    Pump(300);
    anim_.Stop();
    const LRESULT stopped = Painted();
    EXPECT_GT(stopped, 0);
    Sleep(300);
    EXPECT_EQ(Painted(), stopped);
    ASSERT_TRUE(anim_.Play());
    EXPECT_LE(Painted(), 1);
}

TEST_F(AnimationTest, HiddenControlPaintsNothingAndResumes) {
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    ShowWindow(host_, SW_HIDE);
    ASSERT_TRUE(anim_.Play());
    Sleep(400);
    EXPECT_EQ(Painted(), 0);
    ShowWindow(host_, SW_SHOWNOACTIVATE);
    Sleep(400);
    EXPECT_GT(Painted(), 0);
}

TEST_F(AnimationTest, DestroyingWhilePlayingEndsThePainterThread) {
    const int threads = ThreadsOfThisProcess();
    ASSERT_TRUE(anim_.Open(Beside(L"res.dll")));
    ASSERT_TRUE(anim_.Play());
    Sleep(100);
    EXPECT_EQ(ThreadsOfThisProcess(), threads + 1);
    EXPECT_TRUE(DestroyWindow(anim_.Hwnd()));
    EXPECT_FALSE(IsWindow(anim_.Hwnd()));
    EXPECT_EQ(ThreadsOfThisProcess(), threads);
}

TEST_F(AnimationTest, BackgroundFillsTransparentPixelsAndTheRestOfTheControl) {
    const COLORREF back = RGB(10, 200, 30);
    anim_.SetBackColor(back);
    ASSERT_TRUE(anim_.Open(Beside(L"korvane2.dll")));
    UpdateWindow(anim_.Hwnd());
    const std::vector<COLORREF> px = Snapshot(252, 58);
    auto at = [&](int x, int y) { return px[static_cast<std::size_t>(y * 252 + x)]; };
    EXPECT_EQ(at(0, 0), back) << "the clip's transparent corner";
    EXPECT_EQ(at(251, 57), back);
    EXPECT_EQ(at(100, 10), back);
    EXPECT_NE(at(18, 19), back) << "the coin's middle";
}

TEST_F(AnimationTest, NeverKeepsTheFocus) {
    SetFocus(anim_.Hwnd());
    EXPECT_NE(GetFocus(), anim_.Hwnd());
}

}  // namespace
