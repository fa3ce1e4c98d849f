// An error that nothing handles ends the process outside the exit codes of the flush (0-7),
// wherever it is raised.

#include <gtest/gtest.h>
#include <windows.h>

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
    for (const wchar_t* mode : {L"window", L"terminate", L"abort"}) {
        const DWORD code = ProbeExitCode(mode);
        EXPECT_GT(code, 7u) << mode;
        EXPECT_EQ(code, static_cast<DWORD>(STATUS_STACK_BUFFER_OVERRUN)) << mode;
    }
}

}  // namespace
