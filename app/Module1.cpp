#include "app/Module1.h"

#include <windows.h>
#include <objbase.h>

#include "app/command_line.h"
#include "app/device_path.h"
#include "app/flush_sequence.h"
#include "app/forms.h"
#include "app/result_text.h"
#include "app/win32_drive.h"
#include "forms/frmAttendere.h"
#include "forms/frmFine.h"
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

void Main() {
    ui::RestrictDllSearchToSystem32();
    // The shell may hand the About window's documents and address to COM-based handlers.
    (void)CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
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
    ExitProcess(static_cast<UINT>(ExitCodeFor(outcome)));
}

}  // namespace app
