// The stack protector's guard and its failure path (every Windows target is compiled with
// -fstack-protector-strong; cmake/hardening.cmake).
//
// These replace the guard of GCC's libssp, which the link would otherwise take: libssp seeds its
// guard with CryptGenRandom, a static import of advapi32.dll that the program must not have (the
// loader resolves it, and its own imports, before any code of ours has restricted the DLL
// search), and on a smashed stack it executes an undefined instruction, which ends the process
// as a crash (0xC000001D) rather than through the fail-fast report.

#include <windows.h>

#include <cpuid.h>

#include <cstdint>

#include "win/fastfail.h"

extern "C" {

// Read in every protected function's prologue and compared in its epilogue. Until the
// initialiser below has run it holds this fixed value (Microsoft's default /GS cookie), which a
// test tells apart from a seeded one.
std::uintptr_t __stack_chk_guard = 0x00002B992DDFA232ULL;

// A protected function found its copy of the guard overwritten: its stack is not to be trusted,
// so nothing more of the program runs (no handler, no unwinding). It ends the process with
// 0xC0000409 and Windows' report, as a /GS failure does; inlined, unprotected (fastfail.h).
[[noreturn]] __attribute__((no_stack_protector)) void __stack_chk_fail() {
    win::InvokeFastfail(win::kFastFailStackCookieCheckFailure);
}

}  // extern "C"

namespace {

// splitmix64's finaliser: every input bit reaches every output bit.
__attribute__((no_stack_protector)) std::uint64_t Mix(std::uint64_t x) {
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
    return x ^ (x >> 31);
}

// The processor's random number generator when it has one (RDRAND), else 0.
__attribute__((no_stack_protector, target("rdrnd"))) std::uint64_t HardwareRandom() {
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx) || !(ecx & bit_RDRND)) return 0;
    unsigned long long value = 0;
    for (int i = 0; i < 10; ++i) {
        if (__builtin_ia32_rdrand64_step(&value)) return value;
    }
    return 0;
}

// Seeds the guard before any constructor or function of the program runs (priority 101 is the
// first an application may use; the CRT's start-up code is not protected). Nothing here loads a
// DLL: the processor's generator where there is one, mixed with what differs between any two
// processes (the clocks, the ids and, through ASLR, the addresses of the stack and the image),
// as the CRT of Microsoft's compiler seeds its cookie. It runs with the old guard on the stack,
// so it must not be protected itself.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    std::uint64_t seed = HardwareRandom();
    seed = Mix(seed ^ static_cast<std::uint64_t>(counter.QuadPart));
    seed = Mix(seed ^ ((static_cast<std::uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime));
    seed = Mix(seed ^ ((static_cast<std::uint64_t>(GetCurrentProcessId()) << 32) | GetCurrentThreadId()));
    seed = Mix(seed ^ GetTickCount64());
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&counter));
    seed = Mix(seed ^ reinterpret_cast<std::uintptr_t>(&__stack_chk_guard));
    // A zero low byte, as glibc's canary has: a string copy that overruns a buffer cannot write
    // the guard back, and a string read that overruns one stops before it.
    seed &= ~std::uint64_t{0xFF};
    __stack_chk_guard = static_cast<std::uintptr_t>(seed);
}

}  // namespace
