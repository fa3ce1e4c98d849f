#pragma once
// Handing a document or web address to the system shell, to be opened as the desktop's user.

#include <cstdint>
#include <memory>
#include <string>

namespace win {

// Opens documents and addresses with the user's default application, as the shell's "open"
// verb does.
//
// The program runs elevated, and whatever its own ShellExecute starts would run with its rights
// (after over-the-shoulder elevation: as another user, in that user's profile) and load the
// shell's extensions into it. So a request goes to the desktop's shell (Explorer), which opens
// it as the desktop's user: ShellWindows → the desktop's shell browser → its view's background
// object → Application → IShellDispatch2::ShellExecute. Only where no desktop shell answers
// (Explorer not running, another shell, no desktop) does the program's own ShellExecute open it.
class DocumentOpener {
public:
    // `workingFolder`: the folder the started program gets as its current one.
    explicit DocumentOpener(std::wstring workingFolder);
    ~DocumentOpener();

    // Hands `document` (a file path or an address) over with no parameters; returns a result code
    // as ShellExecute's (above 32: accepted). The desktop shell gives no codes: a file path is
    // first checked as the shell would (2: no such file, 3: no such folder or drive, 5: access
    // denied), and what the desktop shell takes counts as accepted. The program's own
    // ShellExecute, where it is used, returns its code as it came back, narrowed to 32 bits with
    // its sign kept; "DLL not found" when the shell cannot be loaded.
    [[nodiscard]] std::int32_t Open(const std::wstring& document);

private:
    struct Libraries;
    std::unique_ptr<Libraries> libraries_;
    const std::wstring workingFolder_;
};

}  // namespace win
