#pragma once
// Text that the system hands over in its ANSI code page, as the program's wide strings.

#include <string>
#include <string_view>

namespace ui {

// As the system's own conversion from its ANSI code page does it.
std::wstring FromAnsi(std::string_view text);

}  // namespace ui
