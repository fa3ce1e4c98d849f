#include "forms/frmFine.h"

#include <commctrl.h>

#include "app/forms.h"
#include "forms/frmAbout.h"
#include "resource.h"
#include "ui/system_dll.h"
#include "version.h"

namespace forms {

namespace {

ui::FormDesign ResultDesign() {
    ui::FormDesign d;
    d.className = L"frmFine";
    d.caption = L"Tavelin";
    d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    d.exStyle = WS_EX_DLGMODALFRAME;
    d.clientWidth = 4680;
    d.clientHeight = 1860;
    d.place = ui::FormDesign::Place::CenterScreen;
    d.showInTaskbar = false;
    d.dialogKeys = true;
    d.iconResource = IDI_TAVELIN;
    return d;
}

constexpr int kText1 = 100;
constexpr int kCmdInfo = 101;
// The cancel button: Escape presses "&Ok"; Enter presses the focused button only.
constexpr int kCmdOk = IDCANCEL;

// Makes sure the common controls library is loaded; its answer does not matter. It comes from
// System32 (or the manifest's side-by-side version), never from the program's folder.
void InitCommonControlsOnce() {
    // It stays loaded for the life of the process: the windows' controls may be its classes.
    if (HMODULE comctl = ui::LoadSystemLibrary(L"comctl32.dll")) {
        auto* init = reinterpret_cast<decltype(InitCommonControlsEx)*>(
            reinterpret_cast<void*>(GetProcAddress(comctl, "InitCommonControlsEx")));
        if (init) init(nullptr);
    }
}

}  // namespace

frmFine::frmFine(app::Forms& forms) : Form(ResultDesign()), forms_(forms) { InitCommonControlsOnce(); }

void frmFine::CreateControls() {
    // Creation order is the tab order: the text box first, so it holds the focus.
    Text1 = AddControl(L"EDIT", L"Text1",
                       WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                       WS_EX_CLIENTEDGE, kText1, 60, 120, 4515, 1275);
    cmdInfo = AddControl(L"BUTTON", L"&Info...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0,
                         kCmdInfo, 3600, 1440, 975, 375);
    cmdOk = AddControl(L"BUTTON", L"&Ok", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, kCmdOk,
                       2520, 1440, 975, 375);
}

void frmFine::OnLoad() {
    SetCaption(Caption() + L" v." + std::to_wstring(TAVELIN_VERSION_MAJOR) + L"." +
               std::to_wstring(TAVELIN_VERSION_MINOR) + L"." +
               std::to_wstring(TAVELIN_VERSION_PATCH));
}

void frmFine::SetText1(const std::wstring& text) {
    Load();
    SetWindowTextW(Text1, text.c_str());
}

std::wstring frmFine::Text1Text() {
    Load();
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(Text1)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(Text1, text.data(), static_cast<int>(text.size()))));
    return text;
}

void frmFine::OnCommand(int id, int code, HWND /*control*/) {
    if (code != BN_CLICKED) return;
    if (id == kCmdOk) cmdOk_Click();
    if (id == kCmdInfo) cmdInfo_Click();
}

bool frmFine::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == Text1) {
        // The locked text box keeps the button-face background.
        HDC dc = reinterpret_cast<HDC>(wp);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
        result = reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        return true;
    }
    return false;
}

void frmFine::cmdOk_Click() { Unload(); }

void frmFine::cmdInfo_Click() {
    forms_.frmAbout->Show(ui::ShowMode::Modal);
    Unload();
}

}  // namespace forms
