// Fails the way the program would on an error that nothing handles, so that a test can read
// the exit code from outside:
//   fail_fast_probe window      an exception thrown by a window's handler
//   fail_fast_probe terminate   std::terminate outside any window
//   fail_fast_probe abort       abort()
//   fail_fast_probe overrun     a write past the end of a buffer on the stack (the stack
//                               protector's check, built as the program is)
// It returns 0 only if it survives, which it must not. And, for a process that ends while the
// shell holds a hand-over:
//   fail_fast_probe held-hand-over   ends as the program does, with 42, once a hand-over has started
//                                    that never returns; 1 when the hand-over did not start

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

#include "win/failure.h"
#include "win/form.h"
#include "win/message_loop.h"
#include "win/shell.h"

namespace {

class ThrowingForm : public win::Form {
public:
    ThrowingForm() : Form(Design()) {}

private:
    static win::FormDesign Design() {
        win::FormDesign d;
        d.className = L"TavelinFailingForm";
        d.style = WS_POPUP | WS_CAPTION;
        d.showInTaskbar = true;  // no application window needed
        d.clientWidth = 1500;
        d.clientHeight = 750;
        return d;
    }
    void OnCommand(int, int, HWND) override { throw std::runtime_error("a handler failed"); }
};

// Writes `length` bytes into a 16-byte buffer on the stack; the length is known only at run time.
__attribute__((noinline)) int Overrun(std::size_t length) {
    char buffer[16];
    std::memset(buffer, 'x', length);
    return buffer[length % sizeof buffer];
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "window") {
        // The window layer needs no set-up for this: its own procedure ends the process.
        const auto form = std::make_shared<ThrowingForm>();
        form->Show();
        PostMessageW(form->Hwnd(), WM_COMMAND, MAKEWPARAM(1, BN_CLICKED), 0);
        for (int i = 0; i < 100; ++i) {
            win::DoEvents();
            Sleep(10);
        }
        return 0;
    }
    if (mode == "held-hand-over") {
        static const HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        win::DocumentOpener opener(L"C:\\", [](std::int32_t) {}, [](const std::wstring&, const std::wstring&) {
            SetEvent(entered);
            Sleep(INFINITE);
            return std::int32_t{33};
        });
        opener.Open(L"https://tavelin.example.org/");
        if (WaitForSingleObject(entered, 10000) != WAIT_OBJECT_0) return 1;
        // As the program ends: its run returned, and the process goes with the hand-over held.
        win::EndProcess(42);
    }
    // The stack protector ends the process by itself, before any routing is set up.
    if (mode == "overrun") return Overrun(static_cast<std::size_t>(argc) + 62);
    win::EndInternalFailuresFast();
    if (mode == "terminate") std::terminate();
    if (mode == "abort") std::abort();
    return 0;
}
