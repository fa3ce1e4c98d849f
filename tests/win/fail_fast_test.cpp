// An error that nothing handles ends the process outside the exit codes of the flush (0-7),
// wherever it is raised.

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "tests/support/handles.h"

namespace {

// Runs fail_fast_probe.exe (beside this test) in `mode`; its exit code.
DWORD ProbeExitCode(const std::wstring& mode) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring probe(self);
    probe = probe.substr(0, probe.find_last_of(L'\\')) + L"\\fail_fast_probe.exe";
    std::wstring commandLine = L"\"" + probe + L"\" " + mode;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(probe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        ADD_FAILURE() << "cannot start the probe: error " << GetLastError();
        return 0;
    }
    const test_support::UniqueHandle thread(process.hThread), child(process.hProcess);
    EXPECT_EQ(WaitForSingleObject(child.get(), 30000), WAIT_OBJECT_0) << mode.c_str();
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

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
