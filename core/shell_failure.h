#pragma once
// The document opener's failure report: which text a shell result code gets.

#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

// The message for a shell result code r: nothing when r > 32 (signed: the shell accepted the
// request); the fixed text for a documented failure code; "Unknown error" for any other value.
std::optional<std::wstring_view> ShellFailureText(int32_t r);

}  // namespace core
