#include "forms/frmAbout.h"

#include <windows.h>
#include <mmsystem.h>
#include <shellapi.h>

#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "app/forms.h"
#include "effect/frmGraphics.h"
#include "forms/frmFine.h"
#include "forms/shell_failure.h"
#include "resource.h"
#include "ui/app_dir.h"
#include "ui/file.h"
#include "ui/system_dll.h"
#include "ui/text.h"
#include "ui/twips.h"

namespace forms {

namespace {

// The maker's web page: the label shows its index page, the click opens the folder holding it.
constexpr wchar_t kMakerIndexPage[] = L"https://tavelin.example.org/index.html";
constexpr wchar_t kMakerAddress[] = L"https://tavelin.example.org/";

// Far above any sound of ours; a larger file is not played.
constexpr std::uint64_t kMaxSoundBytes = 64u << 20;

constexpr wchar_t kRightsNotice[] =
    L"Copyright (C) 2026 The Tavelin authors.\r\n"
    L"Free software under the GNU GPL, version 3 or later. No warranty.";

constexpr int kImage2 = 1, kLblVersione = 2, kLabel5 = 3, kLabel6 = 4, kLabel7 = 5, kAnimation1 = 6,
              kLabel8 = 7, kImage1 = 8, kLabel2 = 9, kLabel1 = 10, kLabel3 = 11, kLabel9 = 12,
              kLabel4 = 13;

ui::FormDesign AboutDesign() {
    ui::FormDesign d;
    d.className = L"frmAbout";
    d.caption = L"";
    // A fixed dialog frame with no title bar: no caption, close box or system menu.
    d.style = WS_POPUP | WS_DLGFRAME | WS_CLIPCHILDREN;
    d.exStyle = WS_EX_DLGMODALFRAME;
    d.clientWidth = 6135;
    d.clientHeight = 3180;
    d.place = ui::FormDesign::Place::Fixed;
    d.clientLeft = 2340;
    d.clientTop = 1650;
    d.showInTaskbar = false;
    // Escape must reach the key-release handler, not become a dialog's cancel command.
    d.dialogKeys = false;
    return d;
}

// Clickable labels: a click is a press and a release of the left button on the same label, as
// a user means it; the click reaches the parent as STN_CLICKED on the release. The second press
// of a double click is not a click.
constexpr wchar_t kLabelProcProperty[] = L"TavelinLabelProc";

LRESULT CALLBACK ClickableLabelProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    const auto original = reinterpret_cast<WNDPROC>(GetPropW(hwnd, kLabelProcProperty));
    switch (msg) {
        case WM_LBUTTONDOWN:
            SetCapture(hwnd);
            return 0;
        case WM_LBUTTONDBLCLK:
            return 0;
        case WM_LBUTTONUP: {
            if (GetCapture() != hwnd) return 0;
            ReleaseCapture();
            RECT client;
            GetClientRect(hwnd, &client);
            const POINT at{static_cast<short>(LOWORD(lp)), static_cast<short>(HIWORD(lp))};
            if (PtInRect(&client, at)) {
                SendMessageW(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), STN_CLICKED),
                             reinterpret_cast<LPARAM>(hwnd));
            }
            return 0;
        }
        case WM_NCDESTROY:
            SetWindowLongPtrW(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            RemovePropW(hwnd, kLabelProcProperty);
            break;
        default:
            break;
    }
    return CallWindowProcW(original, hwnd, msg, wp, lp);
}

void MakeClickable(HWND label) {
    const LONG_PTR original = GetWindowLongPtrW(label, GWLP_WNDPROC);
    SetPropW(label, kLabelProcProperty, reinterpret_cast<HANDLE>(original));
    SetWindowLongPtrW(label, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ClickableLabelProc));
}

// The window's background colour: the system's colour for dialog windows.
COLORREF BackColor() { return GetSysColor(COLOR_BTNFACE); }

// Shrinks or grows a label to its text in its own font (the label keeps its top-left corner).
void SizeToText(HWND label) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(label)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(label, text.data(), static_cast<int>(text.size()))));
    RECT r{0, 0, 0, 0};
    {
        ui::WindowDc dc(label);
        ui::SelectedObject font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
        DrawTextW(dc.get(), text.c_str(), static_cast<int>(text.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    SetWindowPos(label, nullptr, 0, 0, r.right - r.left, r.bottom - r.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

frmAbout::frmAbout(app::Forms& forms) : Form(AboutDesign()), forms_(forms) {}

int32_t frmAbout::StartDoc(const std::wstring& document) {
    HWND desktop = GetDesktopWindow();
    if (!shell32_.Loaded()) shell32_ = ui::SystemLibrary(L"shell32.dll");
    auto* execute = shell32_.Function<decltype(ShellExecuteW)>("ShellExecuteW");
    if (!execute) return SE_ERR_DLLNOTFOUND;
    // The document goes to the shell as it is: an ANSI conversion would turn a folder name such
    // as "Ｔav" into "Tav", another folder, and one such as "Программы" into question marks.
    const auto result = reinterpret_cast<INT_PTR>(
        execute(desktop, L"Open", document.c_str(), L"", L"C:\\", SW_SHOWNORMAL));
    // The shell's codes are small numbers; a wider value keeps its sign when narrowed.
    if (result > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
    if (result < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(result);
}

void frmAbout::ReportShellFailure(int32_t result) {
    const auto text = ShellFailureText(result);
    if (!text) return;
    const std::wstring message(*text);
    MessageBoxW(Hwnd(), message.c_str(), L"Tavelin", MB_OK | MB_APPLMODAL);
}

void frmAbout::CreateControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const int dpi = ui::DpiY();
    // "Tahoma" 8.25 pt, normal weight, character set 0, underlined.
    LOGFONTW lf{};
    lf.lfHeight = -MulDiv(825, dpi, 7200);
    lf.lfWeight = FW_NORMAL;
    lf.lfUnderline = TRUE;
    lf.lfCharSet = ANSI_CHARSET;
    lstrcpynW(lf.lfFaceName, L"Tahoma", LF_FACESIZE);
    linkFont_.reset(CreateFontIndirectW(&lf));
    linkCursor_ = LoadCursorW(instance, MAKEINTRESOURCEW(IDC_LINKHAND));

    constexpr DWORD kLabel = WS_VISIBLE | SS_LEFT;
    // Pictures get a flat one-pixel border; the picture fills the rest of the control.
    Image2 = AddControl(L"STATIC", L"", WS_VISIBLE | WS_BORDER | SS_ICON | SS_REALSIZECONTROL, 0,
                        kImage2, 60, 120, 510, 510);
    SendMessageW(Image2, STM_SETICON,
                 reinterpret_cast<WPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_TAVELIN), IMAGE_ICON,
                                                     32, 32, LR_SHARED)),
                 0);
    lblVersione = AddControl(L"STATIC", L"lblVersione", kLabel, 0, kLblVersione, 960, 120, 4995, 195);
    Label5 = AddControl(L"STATIC", L"English version", kLabel, 0, kLabel5, 960, 360, 1065, 195);
    SizeToText(Label5);
    Label6 = AddControl(L"STATIC", L"This program is freeware. Check for updates on:", kLabel, 0, kLabel6,
                        960, 600, 4095, 255);
    // The square behind the clip; it must not paint over the clip above it.
    Label7 = AddControl(L"STATIC", L"", kLabel | WS_BORDER | WS_CLIPSIBLINGS, 0, kLabel7, 60, 780, 675,
                        675);
    ui::RegisterAnimationClass();
    Animation1 = ui::Animation::Create(Hwnd(), kAnimation1, ui::TwipsToPixelsX(120), ui::TwipsToPixelsY(840),
                                       ui::TwipsToPixelsX(540), ui::TwipsToPixelsY(570));
    Label8 = AddLink(kMakerIndexPage, kLabel8, 960, 900, 3705, 195);
    Image1 = AddControl(L"STATIC", L"", WS_VISIBLE | WS_BORDER | SS_BITMAP | SS_REALSIZECONTROL, 0, kImage1,
                        60, 1860, 750, 930);
    // A picture control does not own its bitmap: the form keeps it and deletes it.
    photo_.reset(LoadImageW(instance, MAKEINTRESOURCEW(IDB_PHOTO), IMAGE_BITMAP, 0, 0, 0));
    SendMessageW(Image1, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(photo_.get()));
    Label2 = AddControl(L"STATIC", kRightsNotice, kLabel, 0, kLabel2, 960, 1860, 5115, 435);
    // The hidden spot: paints nothing, so the photograph shows through, but takes the clicks.
    Label1 = AddControl(L"STATIC", L"", kLabel | SS_NOTIFY, WS_EX_TRANSPARENT, kLabel1, 180, 2280, 195, 195);
    MakeClickable(Label1);
    Label3 = AddLink(L"General public license", kLabel3, 60, 2880, 1530, 195);
    Label9 = AddLink(L"Readme.txt", kLabel9, 1920, 2880, 855, 195);
    Label4 = AddLink(L"Orrimel", kLabel4, 5280, 2880, 600, 195);

    // Overlaps: the clip lies on its square and the spot on the photograph; both stay on top.
    SetWindowPos(Animation1.Hwnd(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SetWindowPos(Label1, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HWND frmAbout::AddLink(const wchar_t* text, int id, int left, int top, int width, int height) {
    HWND link = AddControl(L"STATIC", text, WS_VISIBLE | SS_LEFT | SS_NOTIFY | SS_NOPREFIX, 0, id, left, top,
                           width, height);
    SendMessageW(link, WM_SETFONT, reinterpret_cast<WPARAM>(linkFont_.get()), FALSE);
    SizeToText(link);
    MakeClickable(link);
    return link;
}

bool frmAbout::IsLink(HWND control) const {
    return control && (control == Label3 || control == Label4 || control == Label8 || control == Label9);
}

void frmAbout::OnLoad() {
    forms_.frmFine->Load();
    SetWindowTextW(lblVersione, forms_.frmFine->Caption().c_str());
    Animation1.SetBackColor(BackColor());
    // Label7's background follows the window's (see WM_CTLCOLORSTATIC), so only its border shows.
    InvalidateRect(Label7, nullptr, TRUE);
    // A clip that is missing or cannot be played leaves the square empty; the window still opens.
    if (Animation1.Open(ui::AppPath() + L"\\korvane2.dll")) Animation1.Play();
}

void frmAbout::Form_KeyUp(WPARAM key) {
    if (key == VK_ESCAPE) Label3_Click();
}

void frmAbout::Label1_Click() {
    if (!winmm_.Loaded()) winmm_ = ui::SystemLibrary(L"winmm.dll");
    auto* play = winmm_.Function<decltype(sndPlaySoundW)>("sndPlaySoundW");
    if (!play) return;
    const std::wstring path = ui::AppPath() + L"\\korvane.dll";
    // Synchronous: returns once the sound has ended.
    if (ui::RepresentableInAnsi(path)) {
        play(path.c_str(), SND_NODEFAULT);
        return;
    }
    // The multimedia library opens files through the ANSI code page, which would turn such a
    // path into another file's ("Ｔav" into "Tav") or none: the sound is read here and played
    // from memory.
    std::vector<std::uint8_t> sound;
    if (!ui::ReadWholeFile(path, kMaxSoundBytes, sound)) return;
    play(reinterpret_cast<const wchar_t*>(sound.data()), SND_MEMORY | SND_NODEFAULT);
}

void frmAbout::Label3_Click() { ReportShellFailure(StartDoc(ui::AppPath() + L"\\gpl.txt")); }

void frmAbout::Label9_Click() { ReportShellFailure(StartDoc(ui::AppPath() + L"\\readme.txt")); }

void frmAbout::Label8_Click() { ReportShellFailure(StartDoc(kMakerAddress)); }

void frmAbout::Label4_Click() {
    forms_.frmGraphics->ef = 0;
    forms_.frmGraphics->Show(ui::ShowMode::Modal);
    Unload();
}

void frmAbout::OnCommand(int id, int code, HWND /*control*/) {
    if (code != STN_CLICKED) return;
    switch (id) {
        case kLabel1: Label1_Click(); break;
        case kLabel3: Label3_Click(); break;
        case kLabel4: Label4_Click(); break;
        case kLabel8: Label8_Click(); break;
        case kLabel9: Label9_Click(); break;
        default: break;
    }
}

bool frmAbout::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    switch (msg) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
            if (wp != VK_ESCAPE) return false;
            escapePressed_ = true;
            result = 0;
            return true;
        case WM_KEYUP:
        case WM_SYSKEYUP:  // Escape released while Alt is held
            if (wp != VK_ESCAPE) return false;
            if (std::exchange(escapePressed_, false)) Form_KeyUp(wp);
            result = 0;
            return true;
        case WM_CTLCOLORSTATIC: {
            const auto control = reinterpret_cast<HWND>(lp);
            const auto dc = reinterpret_cast<HDC>(wp);
            if (control == Label1) {
                SetBkMode(dc, TRANSPARENT);
                result = reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
                return true;
            }
            SetBkColor(dc, BackColor());
            SetTextColor(dc, IsLink(control) ? RGB(0, 0, 255) : GetSysColor(COLOR_WINDOWTEXT));
            result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            return true;
        }
        case WM_SETCURSOR:
            if (IsLink(reinterpret_cast<HWND>(wp)) && LOWORD(lp) == HTCLIENT && linkCursor_) {
                SetCursor(linkCursor_);
                result = TRUE;
                return true;
            }
            return false;
        default:
            return false;
    }
}

}  // namespace forms
