#pragma once
// The document opener: what kind of document it hands over, what the shell would answer for a
// file it cannot reach, and which text the failure report gives a shell result code.

#include <cstdint>
#include <optional>
#include <string_view>

namespace core {

// Whether `document` is an address with a scheme ("https://...", "mailto:...": a letter, then
// letters, digits, '+', '-' or '.', then a colon) rather than a file path: a scheme has two
// characters at least, so "E:\..." is a path.
bool IsAddress(std::wstring_view document);

// The code the shell answers for a file path whose attributes the system could not read, from
// the system's error: 2 (file not found), 3 (path not found: its folder or drive is missing) or
// 5 (access denied); nothing for any other error, which only the shell itself can judge.
std::optional<int32_t> ShellCodeForUnreachableFile(uint32_t systemError);

// The message for a shell result code r: nothing when r > 32 (signed: the shell accepted the
// request); the fixed text for a documented failure code; "Unknown error" for any other value.
std::optional<std::wstring_view> ShellFailureText(int32_t r);

}  // namespace core
