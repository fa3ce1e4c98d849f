// The About window's links for keyboard and high-contrast users, on real windows under Wine.
// Wine has no high-contrast mode of its own: the test stands in for the system's answer by
// patching this program's import of SystemParametersInfoW, and gives the hot-tracking colour a
// value that no other pixel of the window has.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/about_window.h"
#include "app/window_names.h"
#include "tests/support/pe_image.h"
#include "tests/support/pump.h"
#include "win/handles.h"
#include "win/form.h"
#include "win/program_folder.h"
#include "win/message_loop.h"

namespace {

using test_support::Pump;
using test_support::PixelsOf;

namespace names = app::names;

constexpr COLORREF kBlue = RGB(0, 0, 255);
constexpr wchar_t kTitle[] = L"Tavelin v.9.8.7";
constexpr COLORREF kHotLight = RGB(255, 200, 0);

bool g_highContrast = false;
decltype(&SystemParametersInfoW) g_systemParameters = nullptr;

BOOL WINAPI FakeSystemParameters(UINT action, UINT param, void* data, UINT flags) {
    if (action == SPI_GETHIGHCONTRAST && data) {
        auto* contrast = static_cast<HIGHCONTRASTW*>(data);
        contrast->dwFlags = g_highContrast ? HCF_HIGHCONTRASTON | HCF_AVAILABLE : HCF_AVAILABLE;
        contrast->lpszDefaultScheme = nullptr;
        return TRUE;
    }
    return g_systemParameters(action, param, data, flags);
}

bool g_cuesHidden = false;
WNDPROC g_aboutProc = nullptr;

LRESULT CALLBACK CueStateProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_QUERYUISTATE) return g_cuesHidden ? UISF_HIDEFOCUS : 0;
    return CallWindowProcW(g_aboutProc, hwnd, msg, wp, lp);
}



// Whether the control's border shows the focus rectangle's dots (the window's background
// colour is on every pixel of a link's border otherwise).
bool ShowsFocusRectangle(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    const win::WindowDc dc(control);
    const COLORREF back = GetSysColor(COLOR_BTNFACE);
    int changed = 0;
    for (int x = 0; x < r.right; ++x) changed += GetPixel(dc.get(), x, 0) != back ? 1 : 0;
    return changed > r.right / 4;
}

class AboutWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!g_systemParameters) {
            g_systemParameters = reinterpret_cast<decltype(&SystemParametersInfoW)>(test_support::PatchImport(
                "user32.dll", "SystemParametersInfoW", reinterpret_cast<void*>(&FakeSystemParameters)));
        }
        ASSERT_NE(g_systemParameters, nullptr) << "the window layer no longer imports SystemParametersInfoW";
        g_highContrast = false;
        const INT element = COLOR_HOTLIGHT;
        hotLightBefore_ = GetSysColor(COLOR_HOTLIGHT);
        SetSysColors(1, &element, &kHotLight);
        about_ = std::make_shared<app::AboutWindow>(app::AboutWindow::Needs{
            kTitle, win::ProgramFolder(), [this] { ++effects_; }});
        about_->Show();
        Pump(300);
    }
    void TearDown() override {
        about_->Unload();
        const INT element = COLOR_HOTLIGHT;
        SetSysColors(1, &element, &hotLightBefore_);
        g_highContrast = false;
    }
    HWND Link(int id) const { return GetDlgItem(about_->Hwnd(), id); }
    // Tells the window that the high-contrast mode changed, as the system does.
    void SwitchHighContrast(bool on) {
        g_highContrast = on;
        SendMessageW(about_->Hwnd(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        Pump(200);
    }

    std::shared_ptr<app::AboutWindow> about_;
    COLORREF hotLightBefore_ = 0;
    int effects_ = 0;
};

TEST_F(AboutWindowTest, VersionLabelShowsTheTitleItIsGiven) {
    wchar_t text[64] = L"";
    GetWindowTextW(GetDlgItem(about_->Hwnd(), names::kVersion), text, 64);
    EXPECT_STREQ(text, kTitle);
}

TEST_F(AboutWindowTest, LinksFollowTheHighContrastModeWhileOpen) {
    const int links[] = {names::kHomePageLink, names::kLicenceLink, names::kReadmeLink, names::kEffectLink};
    for (int id : links) {
        EXPECT_GT(PixelsOf(Link(id), kBlue), 0) << "link " << id << " pure blue";
        EXPECT_EQ(PixelsOf(Link(id), kHotLight), 0) << "link " << id;
    }
    EXPECT_EQ(PixelsOf(GetDlgItem(about_->Hwnd(), names::kVersion), kBlue), 0) << "only links are blue";

    SwitchHighContrast(true);
    if (const char* hold = std::getenv("TAVELIN_HOLD_MS")) Pump(static_cast<DWORD>(std::atoi(hold)));
    for (int id : links) {
        EXPECT_GT(PixelsOf(Link(id), kHotLight), 0) << "link " << id << " in the hot-tracking colour";
        EXPECT_EQ(PixelsOf(Link(id), kBlue), 0) << "link " << id;
    }
    EXPECT_EQ(PixelsOf(GetDlgItem(about_->Hwnd(), names::kVersion), kHotLight), 0) << "only links change";

    SwitchHighContrast(false);
    for (int id : links) {
        EXPECT_GT(PixelsOf(Link(id), kBlue), 0) << "link " << id << " pure blue again";
        EXPECT_EQ(PixelsOf(Link(id), kHotLight), 0) << "link " << id;
    }
}

TEST_F(AboutWindowTest, NoLinkHasTheFocusUntilTabThenTabGoesRoundTheLinks) {
    const HWND window = about_->Hwnd();
    EXPECT_EQ(GetFocus(), window) << "the window itself, not a link";
    for (int id : {names::kHomePageLink, names::kLicenceLink, names::kReadmeLink, names::kEffectLink}) {
        EXPECT_FALSE(ShowsFocusRectangle(Link(id))) << "link " << id << " before the first Tab";
        EXPECT_TRUE(GetWindowLongPtrW(Link(id), GWL_STYLE) & WS_TABSTOP) << "link " << id;
    }
    EXPECT_FALSE(GetWindowLongPtrW(GetDlgItem(window, names::kSoundSpot), GWL_STYLE) & WS_TABSTOP)
        << "the sound spot stays mouse-only";

    // Tab as the message loop passes it on: the focus moves and the cues show.
    const auto tab = [&](bool back) {
        SendMessageW(window, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
        SendMessageW(window, WM_NEXTDLGCTL, back ? 1 : 0, FALSE);
        Pump(100);
        return GetDlgCtrlID(GetFocus());
    };
    EXPECT_EQ(tab(false), names::kHomePageLink);
    EXPECT_TRUE(ShowsFocusRectangle(Link(names::kHomePageLink)));
    EXPECT_EQ(tab(false), names::kLicenceLink);
    EXPECT_FALSE(ShowsFocusRectangle(Link(names::kHomePageLink))) << "the rectangle moves with the focus";
    EXPECT_TRUE(ShowsFocusRectangle(Link(names::kLicenceLink)));
    EXPECT_EQ(tab(false), names::kReadmeLink);
    EXPECT_EQ(tab(false), names::kEffectLink);
    EXPECT_EQ(tab(false), names::kHomePageLink) << "Tab wraps round";
    EXPECT_EQ(tab(true), names::kEffectLink) << "Shift+Tab wraps back";

    // The window's keyboard cues hide the rectangle, as in a dialog. (Wine keeps every window's
    // cues shown, so the window answers for the system here.)
    g_cuesHidden = false;
    g_aboutProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CueStateProc)));
    g_cuesHidden = true;
    SendMessageW(Link(names::kEffectLink), WM_UPDATEUISTATE, MAKEWPARAM(UIS_SET, UISF_HIDEFOCUS), 0);
    Pump(100);
    EXPECT_FALSE(ShowsFocusRectangle(Link(names::kEffectLink))) << "cues hidden";
    g_cuesHidden = false;
    SendMessageW(Link(names::kEffectLink), WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    Pump(100);
    EXPECT_TRUE(ShowsFocusRectangle(Link(names::kEffectLink))) << "cues shown again";
    SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_aboutProc));
}

TEST_F(AboutWindowTest, EnterAndSpaceActivateTheFocusedLinkOncePerPress) {
    const HWND effect = Link(names::kEffectLink);
    SetFocus(effect);
    SendMessageW(effect, WM_KEYDOWN, VK_RETURN, 1);
    SendMessageW(effect, WM_KEYDOWN, VK_RETURN, 1 | (1 << 30));  // the keyboard's repeat
    SendMessageW(effect, WM_KEYUP, VK_RETURN, 1 | (3u << 30));
    EXPECT_EQ(effects_, 1) << "Enter";
    about_->Show();  // the effect link closes the window
    Pump(200);
    SetFocus(Link(names::kEffectLink));
    SendMessageW(Link(names::kEffectLink), WM_KEYDOWN, VK_SPACE, 1);
    SendMessageW(Link(names::kEffectLink), WM_KEYUP, VK_SPACE, 1 | (3u << 30));
    EXPECT_EQ(effects_, 2) << "Space";
}

}  // namespace
