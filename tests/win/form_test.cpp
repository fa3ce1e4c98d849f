// The form lifecycle and the wait and result windows, on real Win32 windows under Wine.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/run.h"
#include "app/window_names.h"
#include "tests/support/pump.h"
#include "tests/support/text.h"
#include "version.h"
#include "win/form.h"
#include "win/handles.h"
#include "win/link_label.h"
#include "win/program_folder.h"
#include "win/message_loop.h"
#include "win/twips.h"

namespace {

using test_support::Pump;
using test_support::PumpUntil;
using test_support::PixelsOf;

namespace names = app::names;

// The version and title the build gives the program.
const std::wstring kVersion = std::to_wstring(TAVELIN_VERSION_MAJOR) + L"." + std::to_wstring(TAVELIN_VERSION_MINOR) +
                              L"." + std::to_wstring(TAVELIN_VERSION_PATCH);
const std::wstring kTitle = L"Tavelin v." + kVersion;

// Every window test of this program runs as the program does, with the hidden application
// window that owns the windows without a taskbar button.
class ApplicationWindowEnvironment : public ::testing::Environment {
    void SetUp() override { win::CreateApplicationWindow(names::kApplicationWindowClass, names::kApplicationTitle); }
};
[[maybe_unused]] const auto* const kApplicationWindow =
    ::testing::AddGlobalTestEnvironment(new ApplicationWindowEnvironment);

int g_destroyed = 0;

class TestForm : public win::Form {
public:
    static win::FormDesign MakeDesign() {
        win::FormDesign d;
        d.className = L"TavelinTestForm";
        d.caption = L"Test form";
        d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
        d.clientWidth = 1500;
        d.clientHeight = 750;
        return d;
    }
    TestForm() : Form(MakeDesign()) {}
    ~TestForm() override { ++g_destroyed; }

    int loads = 0;
    int unloads = 0;
    int activations = 0;

private:
    void OnLoad() override { ++loads; }
    void OnUnload() override { ++unloads; }
    void OnActivate() override { ++activations; }
};

using test_support::Caption;
using test_support::ChildRect;
using test_support::ClassName;

// Actions run once, after a delay, by whichever message loop the thread is in (a form's modal
// loop included); those still pending when the owner goes are cancelled.
class Later {
public:
    Later() = default;
    Later(const Later&) = delete;
    Later& operator=(const Later&) = delete;
    ~Later() {
        for (UINT_PTR id : ids_) {
            KillTimer(nullptr, id);
            Pending().erase(id);
        }
    }
    void Run(UINT ms, std::function<void()> action) {
        const UINT_PTR id = SetTimer(nullptr, 0, ms, &Later::Fire);
        Pending()[id] = std::move(action);
        ids_.push_back(id);
    }

private:
    static std::map<UINT_PTR, std::function<void()>>& Pending() {
        static std::map<UINT_PTR, std::function<void()>> pending;
        return pending;
    }
    static void CALLBACK Fire(HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        auto node = Pending().extract(id);
        if (node) node.mapped()();
    }
    std::vector<UINT_PTR> ids_;
};

TEST(Form, LoadsOnceOnFirstUseAndUnloadDestroysTheWindow) {
    TestForm ref;
    HWND hwnd = ref.Hwnd();
    ASSERT_TRUE(IsWindow(hwnd));
    ref.Load();
    ref.Hwnd();
    EXPECT_EQ(ref.loads, 1);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_EQ(ref.Caption(), L"Test form");

    ref.Unload();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(ref.IsLoaded());
    EXPECT_EQ(ref.unloads, 1);
    ref.Unload();  // not loaded: nothing happens
    EXPECT_EQ(ref.unloads, 1);

    HWND again = ref.Hwnd();  // the same object loads a new window
    EXPECT_TRUE(IsWindow(again));
    EXPECT_EQ(ref.loads, 2);
    ref.Unload();
}

TEST(Form, GeometryIsTwipsAtTheSystemDpi) {
    TestForm ref;
    RECT client;
    GetClientRect(ref.Hwnd(), &client);
    EXPECT_EQ(client.right, MulDiv(1500, win::DpiX(), 1440));
    EXPECT_EQ(client.bottom, MulDiv(750, win::DpiY(), 1440));
    if (win::DpiX() == 96) {
        EXPECT_EQ(win::TwipsToPixelsX(15), 1);
        EXPECT_EQ(client.right, 100);
    }
    ref.Unload();
}

TEST(Form, ModalShowDisablesTheOthersAndReturnsWhenUnloaded) {
    TestForm background;
    TestForm dialog;
    background.Show();
    ASSERT_TRUE(IsWindowEnabled(background.Hwnd()));

    HWND dialogHwnd = dialog.Hwnd();
    HWND backgroundHwnd = background.Hwnd();
    bool backgroundWasDisabled = false;
    Later later;
    later.Run(10, [&] { backgroundWasDisabled = !IsWindowEnabled(backgroundHwnd); });
    // Closed from inside the modal loop, the way the user's close box would.
    later.Run(50, [&] { PostMessageW(dialogHwnd, WM_CLOSE, 0, 0); });

    dialog.Show(win::ShowMode::Modal);
    EXPECT_FALSE(dialog.IsLoaded());
    EXPECT_FALSE(IsWindow(dialogHwnd));
    EXPECT_TRUE(backgroundWasDisabled);
    EXPECT_TRUE(IsWindowEnabled(background.Hwnd())) << "the modal show must give the others back";
    background.Unload();
}

// A form that unloads itself from a handler of its own while its modal show runs, as the screen
// effect ends its run: the show returns, and the object is its owner's until the owner lets go.
TEST(Form, UnloadedFromItsOwnModalShowTheObjectLivesOnWithItsOwner) {
    const int destroyed = g_destroyed;
    {
        TestForm form;  // as the run holds the effect window: for the length of its show
        Later later;
        later.Run(20, [&] { form.Unload(); });
        form.Show(win::ShowMode::Modal);
        EXPECT_FALSE(form.IsLoaded());
        EXPECT_EQ(form.unloads, 1);
        EXPECT_EQ(g_destroyed, destroyed) << "the object outlives its show";
    }
    EXPECT_EQ(g_destroyed, destroyed + 1) << "and goes with its owner";
}

TEST(Form, ActivationHandlerRunsFromTheLoopAfterShow) {
    TestForm ref;
    ref.Show();
    for (int i = 0; i < 20 && ref.activations == 0; ++i) {
        win::DoEvents();
        Sleep(10);
    }
    EXPECT_EQ(ref.activations, 1);
    ref.Unload();
}

bool Refused(HWND) { return false; }

// Windows kept the foreground from the program (another program is in front): the application
// window's taskbar button stands in for a window without one, and clicked, it hands the
// activation on and goes; when the user reaches the window another way, the button goes too.
TEST(Form, RefusedTheForegroundTheApplicationWindowsButtonStandsIn) {
    const HWND app = win::ApplicationWindow();
    TestForm other;  // the program the user went on in
    TestForm form;
    for (const bool throughTheButton : {true, false}) {
        other.Show();
        SetForegroundWindow(other.Hwnd());
        ShowWindow(form.Hwnd(), SW_SHOWNOACTIVATE);
        win::BringToUser(form.Hwnd(), &Refused);
        EXPECT_TRUE(IsWindowVisible(app) && !GetWindow(app, GW_OWNER) &&
                    !(GetWindowLongPtrW(app, GWL_EXSTYLE) & WS_EX_TOOLWINDOW))
            << "a button in the taskbar";
        EXPECT_EQ(Caption(app), L"Tavelin");
        EXPECT_EQ(GetForegroundWindow(), other.Hwnd()) << "nothing taken from the program in front";

        SetForegroundWindow(throughTheButton ? app : form.Hwnd());
        EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == form.Hwnd() && !IsWindowVisible(app); }, 5000))
            << (throughTheButton ? "the button hands the activation on and goes" : "found, the button goes");
        other.Unload();
    }
    form.Unload();
}


// A form with one label, whose design gives the controls' font (or none).
class LabelForm : public win::Form {
public:
    explicit LabelForm(const win::FontDesign& font) : Form(Design(font)) {}
    HWND label = nullptr;

private:
    static win::FormDesign Design(const win::FontDesign& font) {
        win::FormDesign d = TestForm::MakeDesign();
        d.className = L"TavelinLabelForm";
        d.font = font;
        return d;
    }
    void CreateControls() override {
        label = AddControl(L"STATIC", L"A label", WS_VISIBLE | SS_NOTIFY | SS_NOPREFIX, 0, 1, 60, 60, 1200, 300);
    }
};

LOGFONTW FontOf(HWND control) {
    LOGFONTW font{};
    const auto handle = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
    if (handle) GetObjectW(handle, sizeof font, &font);
    return font;
}



// The window layer decides no font: a form's controls get the one its design names, and none
// (the system's) when it names none.
TEST(Form, ControlsTakeTheFontOfTheDesign) {
    LabelForm designed({.face = L"Tahoma", .centipoints = 1000, .charset = ANSI_CHARSET});
    designed.Load();
    const LOGFONTW font = FontOf(designed.label);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -MulDiv(1000, win::DpiY(), 7200));
    EXPECT_EQ(font.lfWeight, FW_NORMAL);
    EXPECT_FALSE(font.lfUnderline);
    EXPECT_EQ(font.lfCharSet, ANSI_CHARSET);
    designed.Unload();

    LabelForm plain({});
    plain.Load();
    EXPECT_EQ(SendMessageW(plain.label, WM_GETFONT, 0, 0), 0) << "no font named: the system's";
    plain.Unload();
}

// Nor the links' look: a link takes the font, colour and pointer it is given.
TEST(LinkLabel, TakesTheStyleItIsGiven) {
    constexpr COLORREF kColour = RGB(200, 0, 40);
    const HCURSOR pointer = LoadCursorW(nullptr, IDC_CROSS);
    LabelForm form({.face = L"MS Shell Dlg", .centipoints = 800});
    form.Show();
    win::LinkLabel link;
    link.Attach(form.label,
                {.font = {.face = L"Tahoma", .centipoints = 1200, .underline = true, .charset = ANSI_CHARSET},
                 .colour = kColour,
                 .pointer = pointer},
                [] {});
    InvalidateRect(form.label, nullptr, TRUE);
    Pump(100);

    const LOGFONTW font = FontOf(form.label);
    EXPECT_STREQ(font.lfFaceName, L"Tahoma");
    EXPECT_EQ(font.lfHeight, -MulDiv(1200, win::DpiY(), 7200));
    EXPECT_TRUE(font.lfUnderline);
    EXPECT_GT(PixelsOf(form.label, kColour), 0) << "the text in the style's colour";
    EXPECT_EQ(PixelsOf(form.label, RGB(0, 0, 255)), 0) << "no colour of the layer's own";
    SendMessageW(form.label, WM_SETCURSOR, reinterpret_cast<WPARAM>(form.label), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), pointer);
    form.Unload();
}

// The pending quit's code, taken off the queue; -1 when none is pending.
int TakeQuit() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) ? static_cast<int>(msg.wParam) : -1;
}

// A quit ends whichever loop meets it and stays posted for the loops around it: the yield, a
// modal show, and modal shows nested in each other, which give the other windows back.
TEST(MessageLoop, AQuitEndsEveryLoopAndStaysPosted) {
    PostQuitMessage(5);
    EXPECT_FALSE(win::DoEvents());
    EXPECT_FALSE(win::DoEvents()) << "the quit must stay posted";
    EXPECT_EQ(TakeQuit(), 5);
    EXPECT_TRUE(win::DoEvents());

    TestForm background, outer, inner;
    background.Show();
    bool innerReturned = false;
    Later later;
    later.Run(20, [&] {
        later.Run(40, [] { PostQuitMessage(7); });
        inner.Show(win::ShowMode::Modal);
        innerReturned = true;
    });
    outer.Show(win::ShowMode::Modal);
    EXPECT_TRUE(innerReturned);
    EXPECT_TRUE(outer.IsLoaded() && inner.IsLoaded()) << "a quit ends the loops, not the windows";
    EXPECT_TRUE(IsWindowEnabled(background.Hwnd())) << "the modal shows must give the others back";
    EXPECT_TRUE(IsWindowEnabled(outer.Hwnd()));
    EXPECT_EQ(TakeQuit(), 7);
    inner.Unload();
    outer.Unload();
    background.Unload();
}

class ResultWindow : public ::testing::Test {
protected:
    app::Windows windows{win::ProgramFolder(), kVersion};
    void TearDown() override { windows.UnloadAll(); }
};

TEST_F(ResultWindow, LoadingVersionsTheCaptionOnce) {
    EXPECT_EQ(windows.Result().Caption(), L"Tavelin") << "the design caption until the window loads";
    windows.Result().SetResultText(L"Result");
    EXPECT_EQ(windows.Result().Caption(), kTitle);
    windows.Result().SetResultText(L"Again");
    EXPECT_EQ(windows.Result().Caption(), kTitle);
    windows.Result().Unload();
    windows.Result().SetResultText(L"Reloaded");
    EXPECT_EQ(windows.Result().Caption(), kTitle) << "a fresh load starts from the design caption";
}

TEST_F(ResultWindow, ControlsFrameAndGeometry) {
    HWND hwnd = windows.Result().Hwnd();
    EXPECT_EQ(Caption(GetDlgItem(hwnd, names::kResultText)), L"") << "no text until the run gives it one";
    windows.Result().SetResultText(L"line one\r\nline two");

    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR ex = GetWindowLongPtrW(hwnd, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_TRUE(style & WS_SYSMENU);
    EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
    EXPECT_TRUE(ex & WS_EX_DLGMODALFRAME);
    EXPECT_FALSE(ex & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), win::ApplicationWindow()) << "no taskbar button";
    // (Its size and the controls' places: layout_test.cpp.)

    // Tab order: the result text, Info, Ok.
    HWND resultText = GetWindow(hwnd, GW_CHILD);
    HWND info = GetWindow(resultText, GW_HWNDNEXT);
    HWND ok = GetWindow(info, GW_HWNDNEXT);
    ASSERT_TRUE(resultText && info && ok);
    EXPECT_EQ(ClassName(resultText), L"Edit");
    EXPECT_EQ(Caption(resultText), L"line one\r\nline two");
    EXPECT_EQ(Caption(info), L"&Info...");
    EXPECT_EQ(Caption(ok), L"&Ok");
    EXPECT_EQ(GetDlgCtrlID(ok), IDCANCEL) << "Ok is the cancel button";

    const LONG_PTR textStyle = GetWindowLongPtrW(resultText, GWL_STYLE);
    EXPECT_TRUE(textStyle & ES_MULTILINE);
    EXPECT_TRUE(textStyle & ES_READONLY);
    EXPECT_TRUE(textStyle & WS_TABSTOP);
    EXPECT_FALSE(textStyle & (WS_VSCROLL | WS_HSCROLL));
}

TEST_F(ResultWindow, TextIsLockedButSelectable) {
    windows.Result().SetResultText(L"abc");
    HWND resultText = GetWindow(windows.Result().Hwnd(), GW_CHILD);
    SendMessageW(resultText, WM_CHAR, L'x', 0);
    SendMessageW(resultText, WM_PASTE, 0, 0);
    EXPECT_EQ(Caption(resultText), L"abc");
    SendMessageW(resultText, EM_SETSEL, 0, -1);
    DWORD from = 0, to = 0;
    SendMessageW(resultText, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(to - from, 3u);
}

TEST_F(ResultWindow, CentredOnTheScreen) {
    windows.Result().SetResultText(L"x");
    RECT r;
    GetWindowRect(windows.Result().Hwnd(), &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);
}

// Shows the result window modally and feeds it input once it is up; returns whether the
// modal show ended (the window unloaded) within the time limit.
bool ModalEndsAfter(app::Windows& windows, const std::function<void(HWND)>& input) {
    windows.Result().SetResultText(L"text");
    HWND hwnd = windows.Result().Hwnd();
    bool forced = false;
    Later later;
    later.Run(60, [&] { input(hwnd); });
    later.Run(1830, [&] {  // safety net: ends the show, reported as a failure below
        forced = true;
        DestroyWindow(hwnd);
    });
    windows.Result().Show(win::ShowMode::Modal);
    return !forced;
}

TEST_F(ResultWindow, TextHoldsTheFocusWhenShown) {
    windows.Result().SetResultText(L"text");
    HWND hwnd = windows.Result().Hwnd();
    HWND resultText = GetWindow(hwnd, GW_CHILD);
    HWND focusSeen = nullptr;
    Later later;
    later.Run(50, [&] {
        focusSeen = GetFocus();
        PostMessageW(hwnd, WM_CLOSE, 0, 0);
    });
    windows.Result().Show(win::ShowMode::Modal);
    EXPECT_EQ(focusSeen, resultText);
}

TEST_F(ResultWindow, OkEscapeAndTheCloseBoxEndTheModalShow) {
    EXPECT_TRUE(ModalEndsAfter(windows, [](HWND w) {
        PostMessageW(GetDlgItem(w, names::kOkButton), BM_CLICK, 0, 0);
    })) << "Ok button";
    EXPECT_TRUE(ModalEndsAfter(windows, [](HWND w) {
        PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    })) << "close box";
    EXPECT_TRUE(ModalEndsAfter(windows, [](HWND w) {
        // Escape through the dialog keys, from the focused text box.
        PostMessageW(GetFocus() ? GetFocus() : w, WM_KEYDOWN, VK_ESCAPE, 0);
    })) << "Escape";
    EXPECT_TRUE(ModalEndsAfter(windows, [](HWND w) {
        SetFocus(GetDlgItem(w, names::kOkButton));
        PostMessageW(GetFocus(), WM_SYSCHAR, L'o', 1 << 29);
    })) << "Alt+O";
}

// Enter presses the focused push button, however it got the focus (here not by Tab, as after a
// press of the mouse that was dragged off the button); Ok then ends the modal show.
TEST_F(ResultWindow, EnterPressesTheFocusedButtonHoweverItGotTheFocus) {
    EXPECT_TRUE(ModalEndsAfter(windows, [](HWND w) {
        SetFocus(GetDlgItem(w, names::kOkButton));
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_RETURN, 0);
    }));
}

// A multi-line edit asks its parent to move the focus for Tab with WM_NEXTDLGCTL; the result
// window answers as a dialog would: next, previous, or a given control.
TEST_F(ResultWindow, NextDialogControlMovesTheFocusInTabOrder) {
    windows.Result().SetResultText(L"several words");
    windows.Result().Show();
    HWND hwnd = windows.Result().Hwnd();
    HWND resultText = GetDlgItem(hwnd, names::kResultText), info = GetDlgItem(hwnd, names::kInfoButton),
         ok = GetDlgItem(hwnd, names::kOkButton);
    SetFocus(resultText);
    SendMessageW(resultText, EM_SETSEL, 0, 0);
    const auto next = [&] { SendMessageW(hwnd, WM_NEXTDLGCTL, 0, FALSE); return GetFocus(); };
    const auto previous = [&] { SendMessageW(hwnd, WM_NEXTDLGCTL, 1, FALSE); return GetFocus(); };
    EXPECT_EQ(next(), info);
    EXPECT_EQ(next(), ok);
    EXPECT_EQ(next(), resultText) << "Tab wraps from Ok to the text";
    DWORD from = 1, to = 0;
    SendMessageW(resultText, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, 13u) << "the text reached by Tab is selected, as in a dialog";
    EXPECT_EQ(previous(), ok) << "Shift+Tab wraps from the text to Ok";
    EXPECT_EQ(previous(), info);
    EXPECT_EQ(previous(), resultText);
    SendMessageW(hwnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(ok), TRUE);
    EXPECT_EQ(GetFocus(), ok) << "a given control";
}

// The result comes to the front before the wait window goes (hidden first, the wait window would
// hand the foreground to another program); where the program may take the foreground, no
// stand-in button appears.
TEST_F(ResultWindow, ComesToTheFrontBeforeTheWaitWindowGoes) {
    windows.Wait().Start();
    static HWND s_wait, s_result;
    static bool s_seen, s_resultInFront, s_buttonShown;
    s_wait = windows.Wait().Hwnd();
    s_result = windows.Result().Hwnd();
    s_seen = s_resultInFront = s_buttonShown = false;
    const HHOOK hook = SetWindowsHookExW(
        WH_CALLWNDPROC,
        [](int code, WPARAM wp, LPARAM lp) -> LRESULT {
            const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
            if (code == HC_ACTION && m->hwnd == s_wait && m->message == WM_SHOWWINDOW && !m->wParam && !s_seen) {
                s_seen = true;
                s_resultInFront = IsWindowVisible(s_result) && GetForegroundWindow() == s_result;
                s_buttonShown = IsWindowVisible(win::ApplicationWindow());
                PostMessageW(s_result, WM_CLOSE, 0, 0);
            }
            return CallNextHookEx(nullptr, code, wp, lp);
        },
        nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    Later later;
    later.Run(5000, [] { PostMessageW(s_result, WM_CLOSE, 0, 0); });  // safety net
    windows.ShowResult(L"text");
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(s_seen) << "the wait window was hidden";
    EXPECT_TRUE(s_resultInFront) << "the result was shown and in front when the wait window went";
    EXPECT_FALSE(s_buttonShown);
}

TEST_F(ResultWindow, InfoShowsTheAboutWindowAndItsCloseEndsTheResultToo) {
    bool aboutSeen = false;
    std::wstring resultCaption, versionLabel;
    Later later;
    EXPECT_TRUE(ModalEndsAfter(windows, [&](HWND w) {
        PostMessageW(GetDlgItem(w, names::kInfoButton), BM_CLICK, 0, 0);
        later.Run(200, [&, w] {
            HWND about = FindWindowW(app::names::kAboutWindowClass, nullptr);
            aboutSeen = about && IsWindowVisible(about);
            resultCaption = Caption(w);
            if (about) versionLabel = Caption(GetDlgItem(about, names::kVersion));
            if (about) PostMessageW(about, WM_CLOSE, 0, 0);
        });
    }));
    EXPECT_TRUE(aboutSeen);
    EXPECT_EQ(resultCaption, kTitle);
    EXPECT_EQ(versionLabel, kTitle) << "the About window's version label is the result window's caption";
    EXPECT_FALSE(windows.Result().IsLoaded());
}

TEST(WaitWindow, TitleLessThickFrameWithTaskbarButtonCentred) {
    app::Windows windows{win::ProgramFolder(), kVersion};
    windows.Wait().Start();
    HWND hwnd = windows.Wait().Hwnd();
    ASSERT_TRUE(IsWindowVisible(hwnd));
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    EXPECT_TRUE(style & WS_THICKFRAME);
    EXPECT_EQ(style & WS_CAPTION, 0);
    EXPECT_FALSE(style & WS_SYSMENU);
    EXPECT_TRUE(GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_APPWINDOW);
    EXPECT_EQ(GetWindow(hwnd, GW_OWNER), nullptr);
    EXPECT_EQ(Caption(hwnd), L"");
    // (Its size and the clip's place: layout_test.cpp.)

    RECT r;
    GetWindowRect(hwnd, &r);
    EXPECT_NEAR((r.left + r.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((r.top + r.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    EXPECT_TRUE(GetWindow(hwnd, GW_CHILD)) << "the clip";

    windows.Wait().SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(hwnd));
    EXPECT_TRUE(windows.Wait().IsLoaded());
    windows.UnloadAll();
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(windows.Wait().IsLoaded());
    EXPECT_FALSE(windows.AboutMade()) << "a window the run never needed is never made";
}

}  // namespace
