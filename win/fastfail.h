#pragma once
// The __fastfail intrinsic, which GCC lacks: the one sequence that ends the process at once.

#include <windows.h>

namespace win {

// Windows' FAST_FAIL_* codes, which its report records.
inline constexpr unsigned kFastFailStackCookieCheckFailure = 2;  // a smashed stack
inline constexpr unsigned kFastFailFatalAppExit = 7;             // the program asked for its end

// No handler, filter or unwinding runs: Windows reports the failure and ends the process with
// STATUS_STACK_BUFFER_OVERRUN (0xC0000409). Systems that predate __fastfail fault on the
// interrupt instead, which ends the process through the same report; should it ever come back,
// the process is terminated with that status.
//
// Always inlined and never protected itself: the stack protector's failure path runs it on a
// stack that is not to be trusted, so it may neither call a protected function nor check a
// guard of its own.
[[noreturn]] __attribute__((always_inline, no_stack_protector)) inline void InvokeFastfail(unsigned code) {
    __asm__ __volatile__("int $0x29" : : "c"(code) : "memory");
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    __builtin_unreachable();
}

}  // namespace win
