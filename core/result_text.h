#pragma once
#include <cstdint>
#include <string>

namespace core {

// The text shown in the result window:
//   error piece: "Error: <n>:" CR LF <system text> when n != 0, else the system text alone;
//   stage piece: CR LF "Internal error code: <code>" unless the code is 8 (complete success).
// The system text is used as it comes, trailing line break included.
std::wstring ResultText(int32_t lastError, const std::wstring& systemText, int stage);

}  // namespace core
