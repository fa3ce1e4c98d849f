#pragma once
// The names by which the program's windows and controls are found from outside: window classes,
// captions and control ids. The program and its tests both use these.

namespace app::names {

// Window classes.
inline constexpr wchar_t kWaitWindowClass[] = L"TavelinWait";
inline constexpr wchar_t kResultWindowClass[] = L"TavelinResult";
inline constexpr wchar_t kAboutWindowClass[] = L"TavelinAbout";
inline constexpr wchar_t kScreenEffectWindowClass[] = L"TavelinScreenEffect";
// The hidden window that owns the windows without a taskbar button, and the clip controls.
inline constexpr wchar_t kApplicationWindowClass[] = L"TavelinApplication";
inline constexpr wchar_t kAnimationClass[] = L"TavelinAnimation";

// The product name: the result window's design caption, the caption of the message box and the
// title of the hidden application window.
inline constexpr wchar_t kApplicationTitle[] = L"Tavelin";

// Controls of the wait window.
inline constexpr int kWaitClip = 1;

// Controls of the result window. Ok is the cancel button, so Escape presses it.
inline constexpr int kResultText = 100;
inline constexpr int kInfoButton = 101;
inline constexpr int kOkButton = 2;  // IDCANCEL

// Controls of the About window, numbered in the order they are made (top to bottom).
enum AboutControl : int {
    kIcon = 1,
    kVersion,
    kLanguage,
    kUpdateNote,
    kClipFrame,
    kAboutClip,
    kHomePageLink,
    kPhoto,
    kRightsNotice,
    kSoundSpot,
    kLicenceLink,
    kReadmeLink,
    kEffectLink,
};

}  // namespace app::names
