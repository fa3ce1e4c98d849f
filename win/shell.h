#pragma once
// Handing a document or web address to the system shell.

#include <cstdint>
#include <memory>
#include <string>

namespace win {

// Opens documents and addresses with the user's default application, as the shell's "Open"
// verb does. The shell and the COM apartment its handlers may need are set up on the first
// request, on the calling (UI) thread, and kept until the opener goes.
class DocumentOpener {
public:
    // Both where the shell's type is whole.
    DocumentOpener();
    ~DocumentOpener();

    // Hands `document` (a file path or an address) to the shell, owned by the desktop window,
    // with no parameters and "C:\" as the working directory; returns the shell's result code as
    // it came back (above 32: the shell accepted the request), narrowed to 32 bits with its sign
    // kept. The shell's "DLL not found" code when the shell cannot be loaded.
    [[nodiscard]] std::int32_t Open(const std::wstring& document);

private:
    struct Shell;
    std::unique_ptr<Shell> shell_;
};

}  // namespace win
