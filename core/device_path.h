#pragma once
#include <string>
#include <string_view>

namespace core {

// "\\.\" followed by the first two characters of the argument string (fewer if it is shorter).
// Nothing else is looked at: no trimming, no quote removal, no check for a drive letter.
std::wstring DevicePath(std::wstring_view arguments);

// Why the program asks Windows to wait with a logoff or shutdown while it flushes: the drive
// as the argument string names it (the same two characters).
std::wstring FlushReason(std::wstring_view arguments);

}  // namespace core
