#pragma once
// The names by which the program's windows and controls are found from outside: window classes,
// captions and control ids. The program and its tests both use these. (The hidden window that
// owns the others is win::kApplicationWindowClass.)

namespace app::names {

// Window classes.
inline constexpr wchar_t kWaitWindowClass[] = L"frmAttendere";
inline constexpr wchar_t kResultWindowClass[] = L"frmFine";
inline constexpr wchar_t kAboutWindowClass[] = L"frmAbout";
inline constexpr wchar_t kScreenEffectWindowClass[] = L"TavelinGraphics";

// The product name: the result window's design caption and the caption of the message box.
inline constexpr wchar_t kApplicationTitle[] = L"Tavelin";

// Controls of the wait window.
inline constexpr int kWaitClip = 1;

// Controls of the result window. Ok is the cancel button, so Escape presses it.
inline constexpr int kResultText = 100;
inline constexpr int kInfoButton = 101;
inline constexpr int kOkButton = 2;  // IDCANCEL

// Controls of the About window.
inline constexpr int kIcon = 1;
inline constexpr int kVersion = 2;
inline constexpr int kLanguage = 3;
inline constexpr int kUpdateNote = 4;
inline constexpr int kClipFrame = 5;
inline constexpr int kAboutClip = 6;
inline constexpr int kHomePageLink = 7;
inline constexpr int kPhoto = 8;
inline constexpr int kRightsNotice = 9;
inline constexpr int kSoundSpot = 10;
inline constexpr int kLicenceLink = 11;
inline constexpr int kReadmeLink = 12;
inline constexpr int kEffectLink = 13;

}  // namespace app::names
