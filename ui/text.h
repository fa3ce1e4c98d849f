#pragma once
// Conversions between the program's wide strings and the system's ANSI code page.

#include <string>
#include <string_view>

namespace ui {

// As the system's own ANSI conversion does it: characters the code page cannot express become
// their best fit or the default character.
std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);

}  // namespace ui
