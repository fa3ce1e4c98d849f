#pragma once
// A silent AVI clip player control whose frames keep moving while the UI thread is blocked:
// a thread of its own decodes the clip and paints into the control; it touches nothing else.

#include <windows.h>

#include <cstdint>
#include <string>

namespace win {

// Messages of the control (AnimationArgs::className).
constexpr UINT ANM_OPEN = WM_APP + 0x100;          // lParam: const wchar_t* path; returns TRUE if playable
constexpr UINT ANM_PLAY = WM_APP + 0x101;          // plays the whole clip, repeating; TRUE if a clip is open
constexpr UINT ANM_STOP = WM_APP + 0x102;          // ends playback (the clip stays open)
constexpr UINT ANM_SETBKCOLOR = WM_APP + 0x103;    // wParam: COLORREF behind the clip's transparent colour
constexpr UINT ANM_FRAMESPAINTED = WM_APP + 0x104; // frames painted since the last ANM_PLAY
constexpr UINT ANM_FRAMERATE = WM_APP + 0x105;     // the open clip's nominal rate, frames per 1000 s

// Where and as what an animation control is made.
struct AnimationArgs {
    HWND parent = nullptr;
    const wchar_t* className = nullptr;  // the control's window class, registered on first use
    int id = 0;
    RECT pixels{};                       // in the parent's client area
};

// A typed view of an animation control window; it does not own the window.
class Animation {
public:
    Animation() = default;
    explicit Animation(HWND hwnd) : hwnd_(hwnd) {}
    // Creates the control as a visible child of args.parent.
    static Animation Create(const AnimationArgs& args);

    HWND Hwnd() const { return hwnd_; }
    [[nodiscard]] bool Open(const std::wstring& path) const;
    bool Play() const;
    void Stop() const;
    void SetBackColor(COLORREF color) const;

private:
    HWND hwnd_ = nullptr;
};

}  // namespace win
