#pragma once
// Reading a sibling file whole, by its UTF-16 path, so that it is closed again at once.

#include <cstdint>
#include <string>
#include <vector>

namespace win {

// The whole file into `bytes`; false when it cannot be opened or read, or is larger than
// `maxBytes`.
[[nodiscard]] bool ReadWholeFile(const std::wstring& path, std::uint64_t maxBytes,
                                 std::vector<std::uint8_t>& bytes);

}  // namespace win
