#pragma once
// The screen effect window: covers the screen with a picture of the desktop and distorts it,
// block copy after block copy, until the user clicks or types a character.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "ui/form.h"
#include "ui/handles.h"

namespace effect {

class frmGraphics : public ui::Form {
public:
    // `self` is the program-wide reference to this window; a run lets go of it before it
    // closes, so that the next reference makes a new window object.
    explicit frmGraphics(ui::FormRef<frmGraphics>& self);
    ~frmGraphics() override;

    // The preset (0..21; any other value has the defaults), read once, when the window loads.
    int16_t ef = 0;

    // One whole effect: returns after the window has been unloaded. An arithmetic error ends
    // the run the same way a click does.
    void doeffect();

protected:
    void OnActivate() override;
    void OnLoad() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // A bitmap selected into its own memory DC, black when made; the DC goes before the bitmap.
    struct Picture {
        Picture(HDC like, int width, int height);
        ui::UniqueGdiObject bitmap;
        ui::UniqueMemoryDc dc;
        int width;
        int height;
    };

    void Form_Click();
    void Form_KeyPress();
    void Play();
    // Copies the screen into a new off-screen image of the client area; the source is the
    // picture taken just before the window appeared when there is one.
    void SnapshotInto(int width, int height);
    void Paint();

    HDC deskdc = nullptr;
    int16_t running = 0;  // -1 while the effect goes on
    int16_t rangex = 0;
    int16_t rangey = 0;
    int16_t biasx = 0;
    int16_t biasy = 0;
    int16_t blockw = 0;
    int16_t blockh = 0;

    ui::FormRef<frmGraphics>& self_;
    // Auto-redraw: while on, drawing goes to the off-screen image and the window repaints from
    // it; once off, the image stays as the background of every repaint and drawing goes to the
    // window itself.
    bool autoRedraw_ = true;
    std::optional<Picture> image_;
    // The screen as it was just before the window first appeared.
    std::optional<Picture> desktop_;
};

}  // namespace effect
