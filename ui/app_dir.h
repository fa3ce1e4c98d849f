#pragma once
#include <string>

namespace ui {

// The folder of the running program: no trailing backslash, except at a drive root ("E:\").
std::wstring AppPath();

}  // namespace ui
