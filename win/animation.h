#pragma once
// A silent AVI clip player control whose frames keep moving while the UI thread is blocked:
// a thread of its own decodes the clip and paints into the control; it touches nothing else.

#include <windows.h>

#include <cstdint>
#include <string>

namespace win {

// The control's only messages: a probe that tests and the benchmark send from outside to see the
// painter thread at work. They carry nothing and change nothing; everything that acts on the
// control is a call on the Animation view below, made on the control's own thread.
constexpr UINT ANM_FRAMESPAINTED = WM_APP + 0x104; // frames painted since the last Play
constexpr UINT ANM_FRAMERATE = WM_APP + 0x105;     // the open clip's nominal rate, frames per 1000 s

// Where and as what an animation control is made.
struct AnimationArgs {
    HWND parent = nullptr;
    const wchar_t* className = nullptr;  // the control's window class, registered on first use
    int id = 0;
    RECT pixels{};                       // in the parent's client area
};

// A typed view of an animation control window; it does not own the window. Its calls act on the
// control directly and must come from the thread that made it; on a window that is not such a
// control (or no longer exists) they do nothing.
class Animation {
public:
    Animation() = default;
    explicit Animation(HWND hwnd) : hwnd_(hwnd) {}
    // Creates the control as a visible child of args.parent.
    static Animation Create(const AnimationArgs& args);

    HWND Hwnd() const { return hwnd_; }
    // Replaces the open clip with the file's (playback stops); false when the file cannot be read
    // or played, which leaves no clip open.
    [[nodiscard]] bool Open(const std::wstring& path) const;
    // Plays the whole clip, repeating, from its first frame; false when no clip is open.
    bool Play() const;
    // Ends playback; the current frame stays.
    void Stop() const;
    // The colour behind the clip's transparent pixels and around the clip.
    void SetBackColor(COLORREF color) const;

private:
    HWND hwnd_ = nullptr;
};

}  // namespace win
