#include "app/run.h"

#include <windows.h>

#include <utility>

#include "app/screen_effect_window.h"
#include "resource.h"
#include "app/volume.h"
#include "app/window_names.h"
#include "core/command_line.h"
#include "core/device_path.h"
#include "core/flush_sequence.h"
#include "core/result_text.h"
#include "sibling_files.h"
#include "version.h"
#include "win/failure.h"
#include "win/form.h"
#include "win/message_loop.h"
#include "win/program_folder.h"
#include "win/shell.h"
#include "win/system_dll.h"
#include "win/text.h"

namespace app {

namespace {

std::wstring VersionText() {
    return std::to_wstring(TAVELIN_VERSION_MAJOR) + L"." + std::to_wstring(TAVELIN_VERSION_MINOR) + L"." +
           std::to_wstring(TAVELIN_VERSION_PATCH);
}

}  // namespace

Windows::Windows(std::wstring programFolder, const std::wstring& version)
    : programFolder_(std::move(programFolder)), title_(std::wstring(names::kApplicationTitle) + L" v." + version) {
    win::CreateApplicationWindow(names::kApplicationWindowClass, names::kApplicationTitle, IDI_TAVELIN);
}

WaitWindow& Windows::Wait() {
    if (!wait_) wait_ = std::make_unique<WaitWindow>(core::SiblingPath(programFolder_, siblings::kWaitClip));
    return *wait_;
}

ResultWindow& Windows::Result() {
    if (result_) return *result_;
    if (!comctl32_) {
        // Only that the library is there matters, not the answer.
        comctl32_.emplace();
        if (comctl32_->InitCommonControlsEx) comctl32_->InitCommonControlsEx(nullptr);
    }
    result_ = std::make_unique<ResultWindow>(ResultWindow::Needs{title_, [this] { ShowAbout(); }});
    return *result_;
}

AboutWindow& Windows::About() {
    if (!about_) {
        about_ = std::make_unique<AboutWindow>(
            AboutWindow::Needs{title_, programFolder_, [this] { RunScreenEffect(); }});
    }
    return *about_;
}

void Windows::ShowAbout() { About().Show(win::ShowMode::Modal); }

void Windows::RunScreenEffect() {
    ScreenEffectWindow effect(0);
    effect.Show(win::ShowMode::Modal);
}

void Windows::ShowResult(const std::wstring& text) {
    ResultWindow& result = Result();
    result.SetResultText(text);
    win::DoEvents();
    // A close request that reached the still hidden result window (a session tool closes every
    // window of a process) closed it: the run ends as when the user closes it, and the window
    // is not made again without its text.
    if (!result.IsLoaded()) return;
    // The result comes to the front while the wait window still holds the foreground: hidden
    // first, the wait window would hand the activation to another program, and Windows keeps
    // the foreground from a program that is not in front (then the result's button flashes).
    result.Show(win::ShowMode::Modeless);
    win::BringToUser(result.Hwnd());
    Wait().SetVisible(false);
    win::DoEvents();
    if (result.IsLoaded()) result.Show(win::ShowMode::Modal);
}

void Windows::UnloadAll() {
    if (about_) about_->Unload();
    if (wait_) wait_->Unload();
    if (result_) result_->Unload();
}

int Run(const std::wstring& arguments) {
    // The system's input method support loads ole32 as the first window is made, through a
    // search that can reach the program's folder (Wine's imm32 does; on Windows ole32 is a known
    // DLL): loaded from System32 here first, it is the copy that load finds. The COM apartments
    // wait for the first shell request or screen reader.
    win::Ole32Library();
    Windows windows(win::ProgramFolder(), VersionText());

    // A quit met by a yield stays posted (message_loop.h): the flush still runs, and the result
    // window's modal show then ends at once.
    windows.Wait().Start();
    win::DoEvents();

    const std::wstring devicePath = core::DevicePath(arguments);
    Win32Volume volume;
    // The flush must not be cut short, and the UI thread answers no end-session query while it
    // runs: Windows lists the program with this reason when a logoff or shutdown waits for it.
    // What the call returns changes nothing (Wine does not implement it).
    const HWND waitWindow = windows.Wait().Hwnd();
    ShutdownBlockReasonCreate(waitWindow, core::FlushReason(arguments).c_str());
    const core::FlushOutcome outcome = core::RunFlushSequence(volume, devicePath);
    ShutdownBlockReasonDestroy(waitWindow);
    const int exitCode = core::ExitCodeFor(outcome);
    // From here on an end of the session ends the run as a quit would, with the flush's exit
    // code; the windows go with the process.
    win::OnSessionEnd([exitCode] { win::EndProcess(static_cast<UINT>(exitCode)); });

    windows.ShowResult(core::ResultText(outcome.lastError, win::SystemErrorText(outcome.lastError), outcome.stage));
    windows.UnloadAll();
    return exitCode;
}

void Main() {
    // Before any DLL beyond the static imports is loaded: the program's folder may be the stick.
    win::RestrictDllSearchToSystem32();
    win::EndInternalFailuresFast();
    // Started from the stick, the current folder is on it: nothing of the program may hold it.
    win::LeaveCurrentFolder();
    // A flush can block the UI thread for minutes; a ghosted copy would freeze the wait
    // window's clip, which its own thread keeps moving.
    DisableProcessWindowsGhosting();
    win::EndProcess(static_cast<UINT>(Run(core::ArgumentPart(GetCommandLineW()))));
}

}  // namespace app
