#pragma once
#include <string>
#include <string_view>

namespace core {

// "\\.\" followed by the first two characters of the argument string (fewer if it is shorter).
// Nothing else is looked at: no trimming, no quote removal, no check for a drive letter.
std::wstring DevicePath(std::wstring_view arguments);

}  // namespace core
