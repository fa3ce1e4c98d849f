#include "win/shell.h"

#include <limits>

#include "win/system_dll.h"

namespace win {

namespace {

// The thread's single-threaded COM apartment, entered for as long as the object lives; ole32
// must outlive it.
class ComApartment {
public:
    explicit ComApartment(const Ole32& ole32)
        : leave_(ole32.CoInitializeEx && ole32.CoUninitialize &&
                 SUCCEEDED(ole32.CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))
                     ? &ole32
                     : nullptr) {}
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    ~ComApartment() {
        if (leave_) leave_->CoUninitialize();
    }

private:
    const Ole32* leave_;
};

}  // namespace

// Declared in the order they must be made and, backwards, let go.
struct DocumentOpener::Shell {
    Ole32 ole32;
    ComApartment apartment{ole32};
    Shell32 shell32;
};

DocumentOpener::DocumentOpener() = default;
DocumentOpener::~DocumentOpener() = default;

std::int32_t DocumentOpener::Open(const std::wstring& document) {
    const HWND desktop = GetDesktopWindow();
    if (!shell_) shell_ = std::make_unique<Shell>();
    if (!shell_->shell32.ShellExecuteW) return SE_ERR_DLLNOTFOUND;
    // The document goes to the shell as it is: an ANSI conversion would turn a folder name such
    // as "Ｔav" into "Tav", another folder, and one such as "Программы" into question marks.
    const auto result = reinterpret_cast<INT_PTR>(
        shell_->shell32.ShellExecuteW(desktop, L"Open", document.c_str(), L"", L"C:\\", SW_SHOWNORMAL));
    // The shell's codes are small numbers; a wider value keeps its sign when narrowed.
    if (result > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (result < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(result);
}

}  // namespace win
