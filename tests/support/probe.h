#pragma once
// The probe program beside the Win32 tests (tests/win/fail_fast_probe.cpp), run in one of its modes.

#include <windows.h>

#include <string>

#include "tests/support/handles.h"

namespace test_support {

// Runs fail_fast_probe.exe in `mode`: its exit code; STILL_ACTIVE when it had not ended within
// `limitMs` (it is then ended); 0 when it could not start (the test then fails).
inline DWORD RunProbe(const std::wstring& mode, DWORD limitMs) {
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
    const UniqueHandle thread(process.hThread), child(process.hProcess);
    if (WaitForSingleObject(child.get(), limitMs) != WAIT_OBJECT_0) {
        TerminateProcess(child.get(), 1);
        return STILL_ACTIVE;
    }
    DWORD code = 0;
    GetExitCodeProcess(child.get(), &code);
    return code;
}

}  // namespace test_support
