#include "app/result_window.h"

#include <utility>

#include "app/look.h"
#include "app/window_names.h"
#include "resource.h"
#include "win/control_colours.h"

namespace app {

namespace {

win::FormDesign ResultDesign() {
    win::FormDesign d;
    d.className = names::kResultWindowClass;
    d.caption = names::kApplicationTitle;
    d.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
    d.exStyle = WS_EX_DLGMODALFRAME;
    d.clientWidth = 4680;
    d.clientHeight = 1860;
    d.place = win::FormDesign::Place::CenterScreen;
    d.showInTaskbar = false;
    d.font = look::kDialogFont;
    d.keys = win::NavigationKeys::Dialog;
    d.iconResource = IDI_TAVELIN;
    return d;
}

}  // namespace

ResultWindow::ResultWindow(Needs needs) : Form(ResultDesign()), needs_(std::move(needs)) {}

void ResultWindow::CreateControls() {
    // Creation order is the tab order: the text first, so it holds the focus. Enter presses the
    // focused button only; Ok is the cancel button (Escape).
    resultText_ = AddControl(L"EDIT", L"", WS_VISIBLE | WS_TABSTOP | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL,
                             WS_EX_CLIENTEDGE, names::kResultText, 60, 120, 4515, 1275);
    infoButton_ = AddControl(L"BUTTON", L"&Info...", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, names::kInfoButton,
                             3600, 1440, 975, 375);
    okButton_ = AddControl(L"BUTTON", L"&Ok", WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 0, names::kOkButton, 2520,
                           1440, 975, 375);
}

void ResultWindow::OnLoad() { SetCaption(needs_.title); }

void ResultWindow::SetResultText(const std::wstring& text) {
    Load();
    SetWindowTextW(resultText_, text.c_str());
}

void ResultWindow::OnCommand(int id, int code, HWND /*control*/) {
    if (code != BN_CLICKED) return;
    if (id == names::kOkButton) OnOk();
    if (id == names::kInfoButton) OnInfo();
}

bool ResultWindow::OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) {
    if (msg == WM_CTLCOLORSTATIC && reinterpret_cast<HWND>(lp) == resultText_) {
        // The locked text box keeps the button-face background.
        const HBRUSH back = win::TextOnFormBackground(reinterpret_cast<HDC>(wp), GetSysColor(COLOR_WINDOWTEXT));
        result = reinterpret_cast<LRESULT>(back);
        return true;
    }
    return false;
}

void ResultWindow::OnOk() { Unload(); }

void ResultWindow::OnInfo() {
    needs_.showAbout();
    Unload();
}

}  // namespace app
