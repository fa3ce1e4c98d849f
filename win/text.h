#pragma once
// The system's texts, and its ANSI code page: text it hands over, and text that may safely
// cross it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace win {

// A window's or control's text.
std::wstring WindowText(HWND window);

// As the system's own conversion from its ANSI code page does it.
std::wstring FromAnsi(std::string_view text);

// Whether the text survives the trip through the ANSI code page unchanged (no best fit, no
// default character): only then may it go to a system call that converts it.
bool RepresentableInAnsi(std::wstring_view text);

// The system's text for an error number (FormatMessageA, default language), as it comes back,
// trailing line break included: empty when the system has none.
std::wstring SystemErrorText(std::int32_t code);

}  // namespace win
