#pragma once
#include <string>

namespace win {

// The folder of the running program: no trailing backslash, except at a drive root ("E:\").
std::wstring AppPath();

}  // namespace win
