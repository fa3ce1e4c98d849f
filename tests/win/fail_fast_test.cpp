// An error that nothing handles ends the process outside the exit codes of the flush (0-7),
// wherever it is raised.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/probe.h"

namespace {

// The probe's exit code in `mode`; STILL_ACTIVE (which no expectation here takes) when it hung.
DWORD ProbeExitCode(const std::wstring& mode) { return test_support::RunProbe(mode, 30000); }

TEST(FailFast, AnUnhandledErrorNeverReadsAsAStage) {
    for (const wchar_t* mode : {L"window", L"terminate", L"abort", L"overrun"}) {
        const DWORD code = ProbeExitCode(mode);
        EXPECT_GT(code, 7u) << mode;
        EXPECT_EQ(code, static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << mode;
    }
}

// The stack protector's guard (win/stack_guard.cpp) is seeded before the program's code runs: a
// guard left at its link-time value would be known to every attacker.
extern "C" std::uintptr_t __stack_chk_guard;

TEST(FailFast, TheStackGuardIsSeededBeforeMain) {
    EXPECT_NE(__stack_chk_guard, std::uintptr_t{0x00002B992DDFA232ULL});
    EXPECT_EQ(__stack_chk_guard & 0xFF, 0u) << "the low byte stops string copies and reads";
    EXPECT_NE(__stack_chk_guard >> 8, 0u);
}

}  // namespace
