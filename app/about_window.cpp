#include "app/about_window.h"

#include <windows.h>

#include <cstdint>
#include <utility>

#include "app/look.h"
#include "app/window_names.h"
#include "core/command_line.h"
#include "core/shell_failure.h"
#include "resource.h"
#include "sibling_files.h"
#include "win/control_colours.h"
#include "win/twips.h"

namespace app {

namespace {

// The maker's web page: the label shows its index page, the click opens the folder holding it.
constexpr wchar_t kMakerIndexPage[] = L"https://tavelin.example.org/index.html";
constexpr wchar_t kMakerAddress[] = L"https://tavelin.example.org/";

// What a program the shell starts for a link gets as its current folder.
constexpr wchar_t kShellWorkingFolder[] = L"C:\\";

constexpr wchar_t kRightsNotice[] =
    L"Copyright (C) 2026 The Tavelin authors.\r\n"
    L"Free software under the GNU GPL, version 3 or later. No warranty.";

win::FormDesign AboutDesign() {
    win::FormDesign d;
    d.className = names::kAboutWindowClass;
    d.caption = L"";
    // A fixed dialog frame with no title bar: no caption, close box or system menu.
    d.style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
    d.exStyle = WS_EX_DLGMODALFRAME;
    d.clientWidth = 6135;
    d.clientHeight = 3180;
    d.place = win::FormDesign::Place::Fixed;
    d.clientLeft = 2340;
    d.clientTop = 1650;
    d.showInTaskbar = false;
    d.font = look::kDialogFont;
    // Tab moves between the links; Escape must reach the key-release handler, not become a
    // dialog's cancel command. No link has the focus until the first Tab.
    d.keys = win::NavigationKeys::Tab;
    d.focusOnShow = false;
    return d;
}

}  // namespace

AboutWindow::AboutWindow(Needs needs)
    : Form(AboutDesign()),
      needs_(std::move(needs)),
      documents_(kShellWorkingFolder, [this](int32_t result) { ReportShellFailure(result); }, needs_.handOver) {}

void AboutWindow::OpenDocument(const std::wstring& document) { documents_.Open(document); }

void AboutWindow::ReportShellFailure(int32_t result) {
    const auto text = core::ShellFailureText(result);
    if (!text) return;
    // The outcome comes from the message loop: a window closed meanwhile is not made again for
    // the box.
    if (!IsLoaded()) return;
    const std::wstring message(*text);
    MessageBoxW(Hwnd(), message.c_str(), names::kApplicationTitle, MB_OK | MB_APPLMODAL);
}

void AboutWindow::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const win::LinkStyle linkStyle{.font = look::kLinkFont,
                                   .colour = look::kLinkColour,
                                   .pointer = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_LINKHAND))};
    constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
    // The links are the window's tab stops, in reading order; the sound spot is mouse-only.
    constexpr DWORD kLink = kLabel | SS_NOTIFY | SS_NOPREFIX | WS_TABSTOP;

    // Creation order is the controls' order from top to bottom. Pictures get a flat one-pixel
    // border; the picture fills the rest of the control.
    icon_ = AddControl(L"STATIC", L"", WS_VISIBLE | WS_BORDER | SS_ICON | SS_REALSIZECONTROL, 0, names::kIcon,
                       60, 120, 510, 510);
    SendMessageW(icon_, STM_SETICON,
                 reinterpret_cast<WPARAM>(
                     LoadImageW(instance, MAKEINTRESOURCEW(IDI_TAVELIN), IMAGE_ICON, 32, 32, LR_SHARED)),
                 0);
    version_ = AddControl(L"STATIC", needs_.title, kLabel, 0, names::kVersion, 960, 120, 4995, 195);
    language_ = AddControl(L"STATIC", L"English version", kLabel, 0, names::kLanguage, 960, 360, 1065, 195);
    win::SizeLabelToText(language_);
    updateNote_ = AddControl(L"STATIC", L"This program is freeware. Check for updates on:", kLabel, 0,
                             names::kUpdateNote, 960, 600, 4095, 255);
    // The square behind the clip; it must not paint over the clip above it.
    clipFrame_ = AddControl(L"STATIC", L"", kLabel | WS_BORDER | WS_CLIPSIBLINGS, 0, names::kClipFrame, 60, 780,
                            675, 675);
    const int clipX = win::TwipsToPixelsX(120), clipY = win::TwipsToPixelsY(840);
    clip_ = win::Animation::Create({.parent = Hwnd(),
                                    .className = names::kAnimationClass,
                                    .id = names::kAboutClip,
                                    .pixels = {clipX, clipY, clipX + win::TwipsToPixelsX(540),
                                               clipY + win::TwipsToPixelsY(570)}});
    homePageLink_.Attach(AddControl(L"STATIC", kMakerIndexPage, kLink, 0, names::kHomePageLink, 960, 900, 3705, 195),
                         linkStyle, [this] { OpenHomePage(); });
    photo_ = AddControl(L"STATIC", L"", WS_VISIBLE | WS_BORDER | SS_BITMAP | SS_REALSIZECONTROL, 0, names::kPhoto,
                        60, 1860, 750, 930);
    // A picture control does not own its bitmap: the window keeps it.
    photoBitmap_.reset(
        static_cast<HBITMAP>(LoadImageW(instance, MAKEINTRESOURCEW(IDB_PHOTO), IMAGE_BITMAP, 0, 0, 0)));
    SendMessageW(photo_, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(photoBitmap_.get()));
    rightsNotice_ = AddControl(L"STATIC", kRightsNotice, kLabel, 0, names::kRightsNotice, 960, 1860, 5115, 435);
    // The hidden spot: paints nothing, so the photograph shows through, but takes the clicks.
    soundSpot_.Attach(AddControl(L"STATIC", L"", kLabel | SS_NOTIFY, WS_EX_TRANSPARENT, names::kSoundSpot, 180,
                                 2280, 195, 195),
                      [this] { PlaySpotSound(); });
    licenceLink_.Attach(AddControl(L"STATIC", L"General public license", kLink, 0, names::kLicenceLink, 60, 2880,
                                   1530, 195),
                        linkStyle, [this] { OpenLicence(); });
    readmeLink_.Attach(AddControl(L"STATIC", L"Readme.txt", kLink, 0, names::kReadmeLink, 1920, 2880, 855, 195),
                       linkStyle, [this] { OpenReadme(); });
    effectLink_.Attach(AddControl(L"STATIC", L"Orrimel", kLink, 0, names::kEffectLink, 5280, 2880, 600, 195),
                       linkStyle, [this] { RunScreenEffect(); });

    // Overlaps: the clip lies on its square and the spot on the photograph; both stay on top.
    SetWindowPos(clip_.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(soundSpot_.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void AboutWindow::OnLoad() {
    clip_.SetBackColor(win::FormBackground());
    // The clip frame's background follows the window's (see WM_CTLCOLORSTATIC), so only its
    // border shows.
    InvalidateRect(clipFrame_, nullptr, TRUE);
    // A clip that is missing or cannot be played leaves the square empty; the window still opens.
    if (clip_.Open(Sibling(siblings::kAboutClip))) clip_.Play();
}

std::wstring AboutWindow::Sibling(const wchar_t* name) const { return core::SiblingPath(needs_.programFolder, name); }

void AboutWindow::OnEscapeReleased() { OpenLicence(); }

// Synchronous: returns once the sound has ended.
void AboutWindow::PlaySpotSound() { sound_.PlayToEnd(Sibling(siblings::kSound)); }

void AboutWindow::OpenLicence() { OpenDocument(Sibling(siblings::kLicence)); }

void AboutWindow::OpenReadme() { OpenDocument(Sibling(siblings::kReadme)); }

void AboutWindow::OpenHomePage() { OpenDocument(kMakerAddress); }

void AboutWindow::RunScreenEffect() {
    needs_.runScreenEffect();
    Unload();
}

bool AboutWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (wp != VK_ESCAPE) return false;
            // Only a fresh press counts: the keyboard's repeats of an Escape held to dismiss a
            // message box reach this window once the box has gone.
            if (!(lp & (1 << 30))) escapePressed_ = true;
            result = 0;
            return true;
        case WM_KEYUP:
        case WM_SYSKEYUP:  // Escape released while Alt is held
            if (wp != VK_ESCAPE) return false;
            if (std::exchange(escapePressed_, false)) OnEscapeReleased();
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC: {
            // The links choose their own colours; the other labels are plain text on the
            // window's background, and the sound spot is not drawn at all.
            const auto control = reinterpret_cast<HWND>(lp);
            const auto dc = reinterpret_cast<HDC>(wp);
            if (control == soundSpot_.Hwnd()) {
                SetBkMode(dc, TRANSPARENT);
                result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                return true;
            }
            result = reinterpret_cast<LRESULT>(win::TextOnFormBackground(dc, GetSysColor(COLOR_WINDOWTEXT)));
            return true;
        }
        default:
            return false;
    }
}

}  // namespace app
