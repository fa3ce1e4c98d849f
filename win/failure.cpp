#include "win/failure.h"

#include <windows.h>

#include <csignal>
#include <exception>
#include <string>

#include "win/fastfail.h"

namespace win {

Win32Error::Win32Error(const char* call, std::uint32_t lastError)
    : std::runtime_error(std::string(call) + " failed with error " + std::to_string(lastError)),
      lastError_(lastError) {}

void ThrowLastError(const char* call) { throw Win32Error(call, GetLastError()); }

void FailFast() { InvokeFastfail(kFastFailFatalAppExit); }

void EndInternalFailuresFast() {
    std::set_terminate([] { FailFast(); });
    std::signal(SIGABRT, [](int) { FailFast(); });
}

}  // namespace win
