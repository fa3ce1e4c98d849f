#include "win/shell.h"

#include <exdisp.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlobj.h>

#include <limits>

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

}  // namespace

// Loaded on the first request, on the calling (UI) thread, and kept until the opener goes, with
// the thread's COM apartment that the desktop shell's objects and the shell's handlers need.
// Declared in the order they must be made and, backwards, let go.
struct DocumentOpener::Libraries {
    Ole32 ole32;
    ComApartment apartment = EnterApartment(ole32);
    OleAut32 oleaut32;
    Shell32 shell32;
};

DocumentOpener::DocumentOpener(std::wstring workingFolder) : workingFolder_(std::move(workingFolder)) {}
DocumentOpener::~DocumentOpener() = default;

std::int32_t DocumentOpener::Open(const std::wstring& document) {
    // What the shell would answer for a file it cannot reach; the desktop shell tells nothing.
    if (!core::IsAddress(document) && GetFileAttributesW(document.c_str()) == INVALID_FILE_ATTRIBUTES) {
        if (const auto code = core::ShellCodeForUnreachableFile(GetLastError())) return *code;
    }
    if (!libraries_) libraries_ = std::make_unique<Libraries>();
    const Libraries& lib = *libraries_;

    if (const auto shell = DesktopShell(lib.ole32)) {
        const UniqueBstr file = SysAllocString(lib.oleaut32, document);
        const UniqueBstr none = SysAllocString(lib.oleaut32, L"");
        const UniqueBstr folder = SysAllocString(lib.oleaut32, workingFolder_);
        const UniqueBstr verb = SysAllocString(lib.oleaut32, L"open");
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

    if (!lib.shell32.ShellExecuteW) return SE_ERR_DLLNOTFOUND;
    // The document goes to the shell as it is: an ANSI conversion would turn a folder name such
    // as "Ｔav" into "Tav", another folder, and one such as "Программы" into question marks.
    const auto result = reinterpret_cast<INT_PTR>(lib.shell32.ShellExecuteW(
        GetDesktopWindow(), L"Open", document.c_str(), L"", workingFolder_.c_str(), SW_SHOWNORMAL));
    // The shell's codes are small numbers; a wider value keeps its sign when narrowed.
    if (result > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (result < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(result);
}

}  // namespace win
