#include "app/run.h"

#include <windows.h>

#include <utility>

#include "app/screen_effect_window.h"
#include "app/volume.h"
#include "core/command_line.h"
#include "core/device_path.h"
#include "core/flush_sequence.h"
#include "core/result_text.h"
#include "sibling_files.h"
#include "version.h"
#include "win/app_dir.h"
#include "win/failure.h"
#include "win/handles.h"
#include "win/message_loop.h"
#include "win/text.h"

namespace app {

namespace {

std::wstring VersionText() {
    return std::to_wstring(TAVELIN_VERSION_MAJOR) + L"." + std::to_wstring(TAVELIN_VERSION_MINOR) + L"." +
           std::to_wstring(TAVELIN_VERSION_PATCH);
}

}  // namespace

Windows::Windows(std::wstring appDir, std::wstring version)
    : appDir_(std::move(appDir)),
      version_(std::move(version)),
      wait([this] { return std::make_shared<WaitWindow>(appDir_ + L"\\" + siblings::kWaitClip); }),
      result([this] {
          if (!comctl32_.Loaded()) comctl32_ = win::SystemLibrary(L"comctl32.dll");
          return std::make_shared<ResultWindow>(comctl32_,
                                                ResultWindow::Needs{version_, [this] { ShowAbout(); }});
      }),
      about([this] {
          return std::make_shared<AboutWindow>(AboutWindow::Needs{
              [this] {
                  result->Load();
                  return result->Caption();
              },
              appDir_, [this] { RunScreenEffect(); }});
      }) {}

void Windows::ShowAbout() { about->Show(win::ShowMode::Modal); }

void Windows::RunScreenEffect() {
    const auto effect = std::make_shared<ScreenEffectWindow>(0);
    effect->Show(win::ShowMode::Modal);
}

void Windows::UnloadAll() {
    if (about.Exists()) about->Unload();
    if (wait.Exists()) wait->Unload();
    if (result.Exists()) result->Unload();
    about.Drop();
    wait.Drop();
    result.Drop();
}

int Run(const std::wstring& arguments) {
    // The shell may hand the About window's documents and address to COM-based handlers.
    const win::SystemLibrary ole32(L"ole32.dll");
    const win::ComApartment com(ole32.Get());
    Windows windows(win::AppPath(), VersionText());

    windows.wait->Start();
    win::DoEvents();

    const std::wstring devicePath = core::DevicePath(arguments);
    Win32Volume volume;
    const core::FlushOutcome outcome = core::RunFlushSequence(volume, devicePath);

    windows.result->SetResultText(
        core::ResultText(outcome.lastError, win::SystemErrorText(outcome.lastError), outcome.stage));
    win::DoEvents();
    windows.wait->SetVisible(false);
    win::DoEvents();
    windows.result->Show(win::ShowMode::Modal);

    windows.UnloadAll();
    return core::ExitCodeFor(outcome);
}

void Main() {
    // Before any DLL beyond the static imports is loaded: the program's folder may be the stick.
    win::RestrictDllSearchToSystem32();
    win::EndInternalFailuresFast();
    // A flush can block the UI thread for minutes; a ghosted copy would freeze the wait
    // window's clip, which its own thread keeps moving.
    DisableProcessWindowsGhosting();
    ExitProcess(static_cast<UINT>(Run(core::ArgumentPart(GetCommandLineW()))));
}

}  // namespace app
