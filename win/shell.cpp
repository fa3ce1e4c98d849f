#include "win/shell.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include <atomic>
#include <limits>
#include <memory>

#include "core/shell_failure.h"
#include "win/com.h"
#include "win/system_dll.h"

#undef ShellExecute  // IShellDispatch2's method below, not the macro for ShellExecuteW

namespace win {

namespace {

// Spelt out: the import library would give these as references to be resolved at link time
// from a library the program does not link.
constexpr CLSID kClsidShellWindows = {0x9ba05972, 0xf6a8, 0x11cf, {0xa4, 0x42, 0x00, 0xa0, 0xc9, 0x0a, 0x8f, 0x39}};
constexpr GUID kSidTopLevelBrowser = {0x4c96be40, 0x915c, 0x11cf, {0x99, 0xd3, 0x00, 0xaa, 0x00, 0x4a, 0xe8, 0x37}};

// Any value above 32 means "accepted"; the desktop shell names no instance.
constexpr std::int32_t kAccepted = 33;

// The desktop's shell dispatch object (Explorer's Shell.Application), or empty when no desktop
// shell answers. Every call crosses into Explorer's process; a broken connection (Explorer ended
// meanwhile) fails like any other step.
ComPtr<IShellDispatch2> DesktopShell(const Ole32& ole32) {
    if (!ole32.CoCreateInstance) return {};
    const auto windows = Obtain<IShellWindows>([&](IShellWindows** out) {
        return ole32.CoCreateInstance(kClsidShellWindows, nullptr, CLSCTX_LOCAL_SERVER, __uuidof(IShellWindows),
                                      reinterpret_cast<void**>(out));
    });
    if (!windows) return {};
    const auto desktop = Obtain<IDispatch>([&](IDispatch** out) {
        VARIANT location{};
        location.vt = VT_I4;
        location.lVal = CSIDL_DESKTOP;
        VARIANT root{};  // VT_EMPTY
        long desktopWindow = 0;
        return windows.get()->FindWindowSW(&location, &root, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, out);
    });
    const auto services = QueryInterface<IServiceProvider>(desktop.get());
    if (!services) return {};
    const auto browser = Obtain<IShellBrowser>([&](IShellBrowser** out) {
        return services.get()->QueryService(kSidTopLevelBrowser, __uuidof(IShellBrowser), reinterpret_cast<void**>(out));
    });
    if (!browser) return {};
    const auto view = Obtain<IShellView>([&](IShellView** out) { return browser.get()->QueryActiveShellView(out); });
    if (!view) return {};
    const auto background = Obtain<IDispatch>([&](IDispatch** out) {
        return view.get()->GetItemObject(SVGIO_BACKGROUND, __uuidof(IDispatch), reinterpret_cast<void**>(out));
    });
    const auto folderView = QueryInterface<IShellFolderViewDual>(background.get());
    if (!folderView) return {};
    const auto application =
        Obtain<IDispatch>([&](IDispatch** out) { return folderView.get()->get_Application(out); });
    return QueryInterface<IShellDispatch2>(application.get());
}

VARIANT StringArgument(const UniqueBstr& text) {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = text.get();
    return v;
}

// The message that carries a hand-over's result to the asking thread: its number in wParam, the
// result code in lParam.
constexpr UINT kReturned = WM_APP + 1;
constexpr UINT_PTR kLimitTimer = 1;
constexpr wchar_t kWindowClass[] = L"TavelinDocumentOpener";

// What a hand-over's thread owns: its copies of the request, so that nothing it touches goes
// with the window or the opener while the shell keeps it blocked.
struct Request {
    std::wstring document;
    std::wstring workingFolder;
    HandOver handOver;
    HWND answerTo;
    UINT number;
};

// Hand-overs started and not yet returned, in every opener of the process.
std::atomic<int> g_handOversRunning{0};

DWORD WINAPI HandOverThread(void* parameter) {
    std::unique_ptr<Request> request(static_cast<Request*>(parameter));
    std::int32_t result = 0;
    {
        // The shell's objects and the handlers that ShellExecute may load need a
        // single-threaded apartment, entered before the first call and left after the last.
        const ComApartment apartment = EnterApartment(Ole32Library());
        try {
            result = request->handOver(request->document, request->workingFolder);
        } catch (...) {
            result = 0;  // nothing reached the shell: "Unknown error"
        }
    }
    const HWND answerTo = request->answerTo;
    const UINT number = request->number;
    request.reset();
    // The opener may have gone meanwhile (its window with it): then the answer reaches no one.
    if (IsWindow(answerTo)) PostMessageW(answerTo, kReturned, number, result);
    // Last: from here on the thread holds nothing of the program's (EndProcess).
    --g_handOversRunning;
    return 0;
}

// Numbers hand-overs across every opener of the process, so an answer for an opener that went
// is never taken for one of a later opener's.
UINT NextRequestNumber() {
    static std::atomic<UINT> last{0};
    return ++last;
}

}  // namespace

std::int32_t HandOverToShell(const std::wstring& document, const std::wstring& workingFolder) {
    // What the shell would answer for a file it cannot reach; the desktop shell tells nothing.
    if (!core::IsAddress(document) && GetFileAttributesW(document.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (const auto code = core::ShellCodeForUnreachableFile(GetLastError())) return *code;
    }
    const OleAut32 oleaut32;
    const Shell32 shell32;

    if (const auto shell = DesktopShell(Ole32Library())) {
        const UniqueBstr file = SysAllocString(oleaut32, document);
        const UniqueBstr none = SysAllocString(oleaut32, L"");
        const UniqueBstr folder = SysAllocString(oleaut32, workingFolder);
        const UniqueBstr verb = SysAllocString(oleaut32, L"open");
        if (file && none && folder && verb) {
            VARIANT show{};
            show.vt = VT_I4;
            show.lVal = SW_SHOWNORMAL;
            const HRESULT hr = shell.get()->ShellExecute(file.get(), StringArgument(none), StringArgument(folder),
                                                         StringArgument(verb), show);
            // S_OK: the desktop shell took it. S_FALSE: it could not open the document and has no
            // code to say why; a failed call (Explorer ended meanwhile) reached nothing. Either
            // way the program's own shell is asked, for the document or for the code of the
            // failure to report (it fails as the desktop's did, short of a document that only
            // the elevated user may open).
            if (hr == S_OK) return kAccepted;
        }
    }

    if (!shell32.ShellExecuteExW) return SE_ERR_DLLNOTFOUND;
    // The document goes to the shell as it is: an ANSI conversion would turn a folder name such
    // as "Ｔav" into "Tav", another folder, and one such as "Программы" into question marks.
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // As ShellExecute: failures come back as codes for the failure box, not as the shell's own
    // dialogs. And the thread ends as soon as the call returns: the shell must finish what it
    // would otherwise go on with after returning (a DDE conversation) before it does.
    info.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC;
    info.hwnd = GetDesktopWindow();
    info.lpVerb = L"Open";
    info.lpFile = document.c_str();
    info.lpParameters = L"";
    info.lpDirectory = workingFolder.c_str();
    info.nShow = SW_SHOWNORMAL;
    const BOOL done = shell32.ShellExecuteExW(&info);
    // The code as ShellExecute gives it, in hInstApp either way; a failure without one is no
    // acceptance.
    auto result = reinterpret_cast<INT_PTR>(info.hInstApp);
    if (!done && result > 32) result = 0;
    // The shell's codes are small numbers; a wider value keeps its sign when narrowed.
    if (result > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (result < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(result);
}

void EndProcess(UINT code) {
    if (g_handOversRunning > 0) TerminateProcess(GetCurrentProcess(), code);
    ExitProcess(code);
}

DocumentOpener::DocumentOpener(std::wstring workingFolder, Outcome outcome, HandOver handOver)
    : workingFolder_(std::move(workingFolder)), outcome_(std::move(outcome)), handOver_(std::move(handOver)) {}

DocumentOpener::~DocumentOpener() {
    if (window_) DestroyWindow(window_);
}

LRESULT CALLBACK DocumentOpener::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    auto* opener = reinterpret_cast<DocumentOpener*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (opener && msg == kReturned) {
        opener->OnReturned(static_cast<UINT>(wp), static_cast<std::int32_t>(lp));
        return 0;
    }
    if (opener && msg == WM_TIMER && wp == kLimitTimer) {
        opener->OnLimit();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

void DocumentOpener::Open(const std::wstring& document) {
    if (state_ == State::Waiting) return;  // its outcome is on the way
    if (state_ == State::Overdue) {
        // The shell has not answered the last request past its limit: it would not answer this one.
        outcome_(kHandOverTimedOut);
        return;
    }
    if (!window_) {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.lpszClassName = kWindowClass;
        RegisterClassExW(&wc);  // fails harmlessly when an earlier opener registered it
        window_ = CreateWindowExW(0, kWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance, nullptr);
        if (!window_) {
            outcome_(0);
            return;
        }
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    request_ = NextRequestNumber();
    auto request = std::make_unique<Request>(Request{document, workingFolder_, handOver_, window_, request_});
    // Detached: the thread owns its request, and ends when the shell lets it go. One still
    // blocked when the process ends is ended with it.
    ++g_handOversRunning;
    const HANDLE thread = CreateThread(nullptr, 0, HandOverThread, request.get(), 0, nullptr);
    if (!thread) {
        --g_handOversRunning;
        outcome_(SE_ERR_OOM);
        return;
    }
    request.release();
    CloseHandle(thread);
    state_ = State::Waiting;
    SetTimer(window_, kLimitTimer, kHandOverLimitMs, nullptr);
}

void DocumentOpener::OnReturned(UINT request, std::int32_t result) {
    if (request != request_ || state_ == State::Idle) return;
    const bool reported = state_ == State::Overdue;
    state_ = State::Idle;
    KillTimer(window_, kLimitTimer);
    // An overdue hand-over's failure has been reported; whatever it did in the end stands.
    if (!reported) outcome_(result);
}

void DocumentOpener::OnLimit() {
    KillTimer(window_, kLimitTimer);
    if (state_ != State::Waiting) return;
    state_ = State::Overdue;
    outcome_(kHandOverTimedOut);
}

}  // namespace win
