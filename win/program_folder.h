#pragma once
#include <string>

namespace win {

// The folder that holds the running program (and its sibling files): no trailing backslash,
// except at a drive root ("E:\").
std::wstring ProgramFolder();

}  // namespace win
