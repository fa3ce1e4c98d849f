#pragma once
// Handing a document or web address to the system shell, to be opened as the desktop's user.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace win {

// How long a hand-over may take before the user is told that it failed. A desktop shell that
// works answers well within it; a hung or restarting Explorer does not answer at all, and a
// synchronous COM call has no limit of its own. Windows itself calls a window hung after 5
// seconds without an answer.
inline constexpr DWORD kHandOverLimitMs = 5000;

// What a hand-over that did not end within the limit reports: the shell's own code for a
// request that timed out (SE_ERR_DDETIMEOUT). The shell's codes are what the failure report
// reads, and a system error number such as ERROR_TIMEOUT (1460) would read as "accepted".
inline constexpr std::int32_t kHandOverTimedOut = 28;

// The part of a hand-over that talks to the shell: opens `document` (a file path or an address)
// with the given working folder and returns a result code as ShellExecute's (above 32:
// accepted). It runs on a thread of its own, in a single-threaded apartment entered for it, and
// may block for as long as the shell does.
using HandOver = std::function<std::int32_t(const std::wstring& document, const std::wstring& workingFolder)>;

// The desktop shell's hand-over.
//
// The program runs elevated, and whatever its own ShellExecute starts would run with its rights
// (after over-the-shoulder elevation: as another user, in that user's profile) and load the
// shell's extensions into it. So a request goes to the desktop's shell (Explorer), which opens
// it as the desktop's user: ShellWindows → the desktop's shell browser → its view's background
// object → Application → IShellDispatch2::ShellExecute. Only where no desktop shell answers
// (Explorer not running, another shell, no desktop) does the program's own ShellExecuteEx open it.
//
// The desktop shell gives no codes: a file path is first checked as the shell would (2: no such
// file, 3: no such folder or drive, 5: access denied), and what the desktop shell takes counts as
// accepted. The program's own ShellExecuteEx, where it is used, returns its code as it came back,
// narrowed to 32 bits with its sign kept; "DLL not found" when the shell cannot be loaded.
std::int32_t HandOverToShell(const std::wstring& document, const std::wstring& workingFolder);

// Ends the process with `code`. While the shell still holds a hand-over, that thread is in a
// state nobody knows (inside the shell's calls, perhaps holding one of their locks), and the
// libraries' detach code that ExitProcess runs could wait for such a lock forever: the process is
// then ended with TerminateProcess, which runs none of it. Otherwise ExitProcess ends it.
[[noreturn]] void EndProcess(UINT code);

// Opens documents and addresses with the user's default application, as the shell's "open"
// verb does, without ever blocking the thread that asks: each hand-over runs on a thread of its
// own, and its outcome comes back to the asking (UI) thread through its messages.
class DocumentOpener {
public:
    // What the asking thread gets for a hand-over: its result code, or kHandOverTimedOut once
    // kHandOverLimitMs have passed without one.
    using Outcome = std::function<void(std::int32_t result)>;

    // `workingFolder`: the folder the started program gets as its current one.
    DocumentOpener(std::wstring workingFolder, Outcome outcome, HandOver handOver = HandOverToShell);
    DocumentOpener(const DocumentOpener&) = delete;
    DocumentOpener& operator=(const DocumentOpener&) = delete;
    // No outcome comes after this; a hand-over still running ends on its own thread.
    ~DocumentOpener();

    // Starts handing `document` over and returns at once; the outcome follows from the thread's
    // message loop. While a hand-over is running within its limit, nothing new starts. Once one
    // has overrun its limit and still not returned, the shell is taken to be hung: a request
    // reports kHandOverTimedOut at once and starts no thread, until that hand-over returns.
    void Open(const std::wstring& document);

    // Whether a hand-over has been started and not yet returned.
    bool Running() const { return state_ != State::Idle; }

private:
    enum class State { Idle, Waiting, Overdue };
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
    void OnReturned(UINT request, std::int32_t result);
    void OnLimit();

    const std::wstring workingFolder_;
    const Outcome outcome_;
    const HandOver handOver_;
    // A message-only window of the asking thread, for the hand-overs' answers and the limit's timer.
    HWND window_ = nullptr;
    State state_ = State::Idle;
    UINT request_ = 0;  // the running hand-over's number, process-wide
};

}  // namespace win
