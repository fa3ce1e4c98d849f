#pragma once
// The program's module: its entry and the system's error texts.

#include <cstdint>
#include <string>

namespace app {

// The whole run: wait window, drive sequence, result window; ends the process with exit code
// 0 after a complete success, otherwise the internal error code.
[[noreturn]] void Main();

// The system's text for an error number (FormatMessageA, default language), as it comes back:
// empty when the system has none.
std::wstring SystemErrorText(int32_t code);

}  // namespace app
