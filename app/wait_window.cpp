#include "app/wait_window.h"

#include <utility>

#include "app/window_names.h"
#include "resource.h"
#include "win/control_colours.h"
#include "win/message_loop.h"
#include "win/twips.h"

namespace app {

namespace {
win::FormDesign WaitDesign() {
    win::FormDesign d;
    d.className = names::kWaitWindowClass;
    d.caption = L"";
    d.style = WS_POPUP | WS_THICKFRAME | WS_CLIPCHILDREN;
    d.clientWidth = 3735;
    d.clientHeight = 840;
    d.place = win::FormDesign::Place::CenterScreen;
    d.showInTaskbar = true;
    d.iconResource = IDI_TAVELIN;
    return d;
}
}  // namespace

WaitWindow::WaitWindow(std::wstring clipPath) : Form(WaitDesign()), clipPath_(std::move(clipPath)) {}

void WaitWindow::CreateControls() {
    // Larger than the client area: its right and bottom edges lie under the frame.
    clip_ = win::Animation::Create({.parent = Hwnd(),
                                    .className = names::kAnimationClass,
                                    .id = names::kWaitClip,
                                    .pixels = {0, 0, win::TwipsToPixelsX(3776), win::TwipsToPixelsY(864)}});
    clip_.SetBackColor(win::FormBackground());
}

void WaitWindow::Start() {
    win::DoEvents();
    Show(win::ShowMode::Modeless);
    win::DoEvents();
    if (clip_.Open(clipPath_)) clip_.Play();
}

void WaitWindow::OnUnload() { clip_.Stop(); }

}  // namespace app
