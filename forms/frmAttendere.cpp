#include "forms/frmAttendere.h"

#include "resource.h"
#include "ui/app_dir.h"
#include "ui/twips.h"
#include "ui/yield.h"

namespace forms {

namespace {
ui::FormDesign WaitDesign() {
    ui::FormDesign d;
    d.className = L"frmAttendere";
    d.caption = L"";
    d.style = WS_POPUP | WS_THICKFRAME | WS_CLIPCHILDREN;
    d.clientWidth = 3735;
    d.clientHeight = 840;
    d.place = ui::FormDesign::Place::CenterScreen;
    d.showInTaskbar = true;
    d.iconResource = IDI_TAVELIN;
    return d;
}
constexpr int kAnimation1 = 1;
}  // namespace

frmAttendere::frmAttendere() : Form(WaitDesign()) {}

void frmAttendere::CreateControls() {
    ui::RegisterAnimationClass();
    // Larger than the client area: its right and bottom edges lie under the frame.
    Animation1 = ui::Animation::Create(Hwnd(), kAnimation1, 0, 0, ui::TwipsToPixelsX(3776),
                                       ui::TwipsToPixelsY(864));
    Animation1.SetBackColor(GetSysColor(COLOR_BTNFACE));
}

void frmAttendere::Inizio() {
    ui::DoEvents();
    Show(ui::ShowMode::Modeless);
    ui::DoEvents();
    if (Animation1.Open(ui::AppPath() + L"\\res.dll")) Animation1.Play();
}

void frmAttendere::OnUnload() { Animation1.Stop(); }

}  // namespace forms
