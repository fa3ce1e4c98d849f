#pragma once
// Reading a file whole, by its UTF-16 path, and closing it before the call returns: the clip and
// the sound lie beside the program, which may be on the stick, and nothing may hold a file there.

#include <cstdint>
#include <string>
#include <vector>

namespace win {

// The whole file into `bytes`; false when it cannot be opened or read, or is larger than
// `maxBytes`.
[[nodiscard]] bool ReadWholeFile(const std::wstring& path, std::uint64_t maxBytes,
                                 std::vector<std::uint8_t>& bytes);

}  // namespace win
