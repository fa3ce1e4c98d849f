#pragma once
// The screen effect window: covers the screen with a picture of the desktop and distorts it,
// block copy after block copy, until the user clicks or types a character. One object serves
// one run: the caller makes it with a preset, shows it modally, and lets it go.

#include <windows.h>

#include <cstdint>
#include <optional>

#include "core/effect_presets.h"
#include "win/form.h"
#include "win/handles.h"

namespace app {

class ScreenEffectWindow : public win::Form {
public:
    // The preset (0..21; any other value has the defaults), applied when the window loads.
    explicit ScreenEffectWindow(int16_t preset);

protected:
    void OnActivate() override;
    void OnLoad() override;
    bool OnMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

private:
    // A bitmap selected into a memory DC of its own, black when made.
    struct Picture {
        Picture(HDC like, int width, int height);
        win::UniqueBitmap bitmap;
        win::UniqueMemoryDc dc;
        win::SelectedObject selected;
        int width;
        int height;
    };

    // One whole effect: returns after the window has been unloaded. An arithmetic error ends
    // the run the same way a click does.
    void Run();
    void Stop();
    void Play();
    // Copies the screen into a new off-screen image of the client area; the source is the
    // picture taken just before the window appeared when there is one.
    void SnapshotInto(int width, int height);
    void Paint();

    const int16_t preset_;
    core::EffectParameters parameters_;  // ranges, biases and block size, from the preset
    win::WindowDc screenDc_;             // the whole screen, held from the start of a run to its end
    bool running_ = false;

    // The off-screen image of the client area: the snapshot, from which every repaint is taken.
    std::optional<Picture> image_;
    // The screen as it was just before the window first appeared.
    std::optional<Picture> desktop_;
};

}  // namespace app
