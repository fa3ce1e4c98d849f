#pragma once
// Owners the test programs need besides the program's own (win/handles.h).

#include <windows.h>

#include "win/handles.h"

namespace test_support {

// Process and thread handles (OpenProcess, CreateProcess): null when empty.
struct KernelHandleTraits {
    using Type = HANDLE;
    static Type Invalid() { return nullptr; }
    static void Release(Type h) { CloseHandle(h); }
};
using UniqueHandle = win::UniqueResource<KernelHandleTraits>;

}  // namespace test_support
