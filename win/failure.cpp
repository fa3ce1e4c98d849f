#include "win/failure.h"

#include <windows.h>

#include <csignal>
#include <exception>
#include <string>

namespace win {

namespace {
// FAST_FAIL_FATAL_APP_EXIT: the program asked for its own end.
constexpr unsigned kFastFailFatalAppExit = 7;
}  // namespace

Win32Error::Win32Error(const char* call, std::uint32_t lastError)
    : std::runtime_error(std::string(call) + " failed with error " + std::to_string(lastError)),
      lastError_(lastError) {}

void ThrowLastError(const char* call) { throw Win32Error(call, GetLastError()); }

void FailFast() {
    // __fastfail: no handler, filter or unwinding runs; Windows reports the failure and ends the
    // process with STATUS_STACK_BUFFER_OVERRUN. Systems that predate it fault instead, which
    // ends the process through the same report.
    __asm__ __volatile__("int $0x29" : : "c"(kFastFailFatalAppExit) : "memory");
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    __builtin_unreachable();
}

void EndInternalFailuresFast() {
    std::set_terminate([] { FailFast(); });
    std::signal(SIGABRT, [](int) { FailFast(); });
}

}  // namespace win
