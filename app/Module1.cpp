#include "app/Module1.h"

#include <windows.h>

#include "app/command_line.h"
#include "app/device_path.h"
#include "app/flush_sequence.h"
#include "app/forms.h"
#include "app/result_text.h"
#include "app/win32_drive.h"
#include "forms/frmAttendere.h"
#include "forms/frmFine.h"
#include "ui/fail_fast.h"
#include "ui/system_dll.h"
#include "ui/text.h"
#include "ui/yield.h"

namespace app {

std::wstring SystemErrorText(int32_t code) {
    constexpr DWORD kSize = 2560;
    std::string buffer(kSize, '\0');
    DWORD zero = 0;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, &zero,
                                   static_cast<DWORD>(code), 0, buffer.data(), kSize, nullptr);
    if (n == 0) return std::wstring();
    return ui::FromAnsi(std::string_view(buffer.data(), n));
}

namespace {

// One run from the wait window to the closed result window; the process's exit code.
int Run() {
    // The shell may hand the About window's documents and address to COM-based handlers.
    const ui::ComApartment com;
    Forms forms;

    forms.frmAttendere->Inizio();
    ui::DoEvents();

    const std::wstring devicePath = DevicePath(ArgumentPart(GetCommandLineW()));
    Win32Drive drive;
    const FlushOutcome outcome = RunFlushSequence(drive, devicePath);

    forms.frmFine->SetText1(
        ResultText(outcome.lastError, SystemErrorText(outcome.lastError), outcome.internalCode));
    ui::DoEvents();
    forms.frmAttendere->SetVisible(false);
    ui::DoEvents();
    forms.frmFine->Show(ui::ShowMode::Modal);

    forms.UnloadAll();
    return ExitCodeFor(outcome);
}

}  // namespace

void Main() {
    // Before any DLL beyond the static imports is loaded: the program's folder may be the stick.
    ui::RestrictDllSearchToSystem32();
    ui::EndInternalFailuresFast();
    // A flush can block the UI thread for minutes; a ghosted copy would freeze the wait
    // window's clip, which its own thread keeps moving.
    DisableProcessWindowsGhosting();
    ExitProcess(static_cast<UINT>(Run()));
}

}  // namespace app
