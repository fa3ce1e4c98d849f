#pragma once
// The program's one error policy. A Win32 call that fails where the program cannot go on raises
// a Win32Error carrying the thread's last error; nothing in the program catches it, and every
// unhandled error ends the process in one place, FailFast: through the platform's fail-fast
// report, never through abort(), whose exit code 3 would read as a stage of the flush.

#include <cstdint>
#include <stdexcept>

namespace win {

// A failed Win32 call: its name and the last error it left.
class Win32Error : public std::runtime_error {
public:
    Win32Error(const char* call, std::uint32_t lastError);
    std::uint32_t LastError() const { return lastError_; }

private:
    std::uint32_t lastError_;
};

// Raises a Win32Error for `call` with GetLastError().
[[noreturn]] void ThrowLastError(const char* call);

// Ends the process at once with the platform's fail-fast report (exit code 0xC0000409).
[[noreturn]] void FailFast();

// Routes every other way out of an unhandled error (std::terminate, abort) to FailFast.
void EndInternalFailuresFast();

// The one guard around code that the system calls back (every window procedure, the controls'
// included, and enumeration callbacks): an exception escaping `body` ends the process through
// FailFast, since nothing may unwind through the system's frames. Runs `body` and returns what
// it returns.
template <class Body>
auto Guarded(Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        FailFast();
    }
}

}  // namespace win
