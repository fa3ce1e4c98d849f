// The windows' layout as their design gives it in twips, checked in pixels at the system DPI (the
// suite runs these tests at 96 DPI and again at 144), and what each control shows and how it is
// stacked. Pixels are computed here on their own, not with the program's conversion.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>

#include "app/run.h"
#include "app/window_names.h"
#include "tests/support/pump.h"
#include "tests/support/text.h"
#include "version.h"
#include "win/form.h"
#include "win/handles.h"
#include "win/message_loop.h"
#include "win/program_folder.h"

namespace {

using test_support::Pump;

namespace names = app::names;
using test_support::Caption;
using test_support::ChildRect;
using test_support::ClassName;

const std::wstring kVersion = std::to_wstring(TAVELIN_VERSION_MAJOR) + L"." + std::to_wstring(TAVELIN_VERSION_MINOR) +
                              L"." + std::to_wstring(TAVELIN_VERSION_PATCH);

int Dpi() {
    const win::WindowDc screen(nullptr);
    return GetDeviceCaps(screen.get(), LOGPIXELSX);
}

// Twips to pixels at the system DPI, rounded to the nearest pixel.
int Px(int twips) { return (twips * Dpi() + 720) / 1440; }


// The size of a text in "Tahoma" 8.25 pt, underlined, as a screen DC measures it.
SIZE LinkTextSize(const std::wstring& text) {
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(825, Dpi(), 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = TRUE;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    const win::WindowDc screen(nullptr);
    const win::UniqueFont font(CreateFontIndirectW(&lf));
    const win::SelectedObject selected(screen.get(), font.get());
    RECT r{0, 0, 0, 0};
    DrawTextW(screen.get(), text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    return {r.right - r.left, r.bottom - r.top};
}

// What a control shows on the screen, read as a screenshot reads it: pure blue pixels and
// distinct colours.
struct Shown {
    int blue = 0;
    std::size_t distinct = 0;
};
Shown ShownBy(HWND control) {
    RECT r;
    GetClientRect(control, &r);
    MapWindowPoints(control, nullptr, reinterpret_cast<POINT*>(&r), 2);
    const win::WindowDc screen(nullptr);
    Shown shown;
    std::set<COLORREF> colours;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const COLORREF c = GetPixel(screen.get(), x, y);
            colours.insert(c);
            shown.blue += c == RGB(0, 0, 255) ? 1 : 0;
        }
    }
    shown.distinct = colours.size();
    return shown;
}

// The place of a child in its window's z-order, topmost first.
int StackPlace(HWND child) {
    int place = 0;
    for (HWND h = GetWindow(GetParent(child), GW_CHILD); h && h != child; h = GetWindow(h, GW_HWNDNEXT)) ++place;
    return place;
}

TEST(Layout, RunsAtTheDpiTheSuiteAsksFor) {
    const char* wanted = std::getenv("TAVELIN_EXPECTED_DPI");
    EXPECT_EQ(Dpi(), wanted ? std::atoi(wanted) : 96);
}

TEST(Layout, WaitWindowAndItsClip) {
    app::Windows windows{win::ProgramFolder(), kVersion};
    windows.Wait().Start();
    const HWND wait = windows.Wait().Hwnd();
    RECT client;
    GetClientRect(wait, &client);
    EXPECT_EQ(client.right, Px(3735));
    EXPECT_EQ(client.bottom, Px(840));
    const HWND clip = GetDlgItem(wait, names::kWaitClip);
    ASSERT_TRUE(clip);
    const RECT r = ChildRect(clip);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, Px(3776)) << "wider than the client area: its right edge lies under the frame";
    EXPECT_EQ(r.bottom, Px(864));
    EXPECT_EQ(Caption(wait), L"");
    windows.UnloadAll();
}

TEST(Layout, ResultWindowAndItsControls) {
    app::Windows windows{win::ProgramFolder(), kVersion};
    windows.Result().SetResultText(L"text");
    const HWND result = windows.Result().Hwnd();
    RECT client;
    GetClientRect(result, &client);
    EXPECT_EQ(client.right, Px(4680));
    EXPECT_EQ(client.bottom, Px(1860));
    struct Control {
        int id, left, top, width, height;
    };
    for (const Control& c : {Control{names::kResultText, 60, 120, 4515, 1275},
                             Control{names::kOkButton, 2520, 1440, 975, 375},
                             Control{names::kInfoButton, 3600, 1440, 975, 375}}) {
        const RECT r = ChildRect(GetDlgItem(result, c.id));
        EXPECT_EQ(r.left, Px(c.left)) << c.id;
        EXPECT_EQ(r.top, Px(c.top)) << c.id;
        EXPECT_EQ(r.right, Px(c.left) + Px(c.width)) << c.id;
        EXPECT_EQ(r.bottom, Px(c.top) + Px(c.height)) << c.id;
    }
    windows.UnloadAll();
}

class AboutLayout : public ::testing::Test {
protected:
    void SetUp() override {
        windows_.Result().SetResultText(L"text");
        about_ = windows_.About().Hwnd();
        windows_.About().Show();
        Pump(300);
    }
    void TearDown() override { windows_.UnloadAll(); }

    app::Windows windows_{win::ProgramFolder(), kVersion};
    HWND about_ = nullptr;
};

TEST_F(AboutLayout, FrameAndPlace) {
    const LONG_PTR style = GetWindowLongPtrW(about_, GWL_STYLE);
    EXPECT_EQ(style & WS_CAPTION, WS_DLGFRAME) << "a dialog frame with no title bar";
    EXPECT_FALSE(style & (WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_FALSE(GetWindowLongPtrW(about_, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(about_, GW_OWNER), win::ApplicationWindow()) << "no taskbar button";
    EXPECT_EQ(Caption(about_), L"");
    RECT client;
    GetClientRect(about_, &client);
    MapWindowPoints(about_, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.right - client.left, Px(6135));
    EXPECT_EQ(client.bottom - client.top, Px(3180));
    EXPECT_EQ(client.left, Px(2340)) << "a fixed place, not centred";
    EXPECT_EQ(client.top, Px(1650));
}

TEST_F(AboutLayout, EveryControlAtItsPlaceWithItsText) {
    struct Control {
        int id;
        const wchar_t* cls;
        std::wstring text;
        int left, top, width, height;  // twips; a width of 0: sized to its text in the link font
    };
    const std::wstring version = windows_.Result().Caption();
    EXPECT_EQ(version, L"Tavelin v." + kVersion);
    const Control controls[] = {
        {names::kIcon, L"Static", L"", 60, 120, 510, 510},
        {names::kVersion, L"Static", version, 960, 120, 4995, 195},
        {names::kLanguage, L"Static", L"English version", 960, 360, -1, -1},
        {names::kUpdateNote, L"Static", L"This program is freeware. Check for updates on:", 960, 600, 4095, 255},
        {names::kClipFrame, L"Static", L"", 60, 780, 675, 675},
        {names::kAboutClip, names::kAnimationClass, L"", 120, 840, 540, 570},
        {names::kHomePageLink, L"Static", L"https://tavelin.example.org/index.html", 960, 900, 0, 0},
        {names::kPhoto, L"Static", L"", 60, 1860, 750, 930},
        {names::kRightsNotice, L"Static",
         L"Copyright (C) 2026 The Tavelin authors.\r\nFree software under the GNU GPL, version 3 or later. No warranty.",
         960, 1860, 5115, 435},
        {names::kSoundSpot, L"Static", L"", 180, 2280, 195, 195},
        {names::kLicenceLink, L"Static", L"General public license", 60, 2880, 0, 0},
        {names::kReadmeLink, L"Static", L"Readme.txt", 1920, 2880, 0, 0},
        {names::kEffectLink, L"Static", L"Orrimel", 5280, 2880, 0, 0},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.id);
        const HWND control = GetDlgItem(about_, c.id);
        ASSERT_TRUE(control);
        EXPECT_EQ(ClassName(control), c.cls);
        EXPECT_EQ(Caption(control), c.text);
        const RECT r = ChildRect(control);
        EXPECT_EQ(r.left, Px(c.left));
        EXPECT_EQ(r.top, Px(c.top));
        if (c.width > 0) {
            EXPECT_EQ(r.right - r.left, Px(c.width));
            EXPECT_EQ(r.bottom - r.top, Px(c.height));
        } else if (c.width == 0) {
            const SIZE text = LinkTextSize(c.text);
            EXPECT_EQ(r.right - r.left, text.cx) << "a link is exactly as large as its text";
            EXPECT_EQ(r.bottom - r.top, text.cy);
        }
    }
}

TEST_F(AboutLayout, LinksPicturesBordersAndStacking) {
    for (int id : {names::kHomePageLink, names::kLicenceLink, names::kReadmeLink, names::kEffectLink}) {
        SCOPED_TRACE(id);
        const HWND link = GetDlgItem(about_, id);
        EXPECT_TRUE(GetWindowLongPtrW(link, GWL_STYLE) & SS_NOTIFY) << "a link tells its window of clicks";
        // The underline alone is one blue pixel per column of the text.
        EXPECT_GE(ShownBy(link).blue, LinkTextSize(Caption(link)).cx) << "drawn in pure blue";
    }
    for (int id : {names::kVersion, names::kLanguage, names::kUpdateNote, names::kRightsNotice}) {
        EXPECT_EQ(ShownBy(GetDlgItem(about_, id)).blue, 0) << "label " << id << " keeps the default colours";
    }
    EXPECT_GT(ShownBy(GetDlgItem(about_, names::kPhoto)).distinct, 200u) << "the photograph is shown";
    EXPECT_GT(ShownBy(GetDlgItem(about_, names::kIcon)).distinct, 10u) << "the icon is shown";
    for (int id : {names::kIcon, names::kClipFrame, names::kPhoto}) {
        EXPECT_TRUE(GetWindowLongPtrW(GetDlgItem(about_, id), GWL_STYLE) & WS_BORDER) << id << " has a border";
    }
    EXPECT_LT(StackPlace(GetDlgItem(about_, names::kSoundSpot)), StackPlace(GetDlgItem(about_, names::kPhoto)))
        << "the sound spot lies above the photograph, so it takes the clicks on it";
    EXPECT_LT(StackPlace(GetDlgItem(about_, names::kAboutClip)), StackPlace(GetDlgItem(about_, names::kClipFrame)))
        << "the clip lies above its square";
}

}  // namespace
