#include "core/shell_failure.h"

namespace core {

namespace {
bool IsAsciiLetter(wchar_t c) { return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'); }
bool IsAsciiDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }
}  // namespace

bool IsAddress(std::wstring_view document) {
    const std::size_t colon = document.find(L':');
    if (colon == std::wstring_view::npos || colon < 2 || !IsAsciiLetter(document[0])) return false;
    for (std::size_t i = 1; i < colon; ++i) {
        const wchar_t c = document[i];
        if (!IsAsciiLetter(c) && !IsAsciiDigit(c) && c != L'+' && c != L'-' && c != L'.') return false;
    }
    return true;
}

std::optional<int32_t> ShellCodeForUnreachableFile(uint32_t systemError) {
    // The shell's codes for these are the system's error numbers (SE_ERR_FNF, SE_ERR_PNF,
    // SE_ERR_ACCESSDENIED).
    switch (systemError) {
        case 2: return 2;
        case 3: return 3;
        case 5: return 5;
        default: return std::nullopt;
    }
}

std::optional<std::wstring_view> ShellFailureText(int32_t r) {
    if (r > 32) return std::nullopt;
    switch (r) {
        case 2: return L"File not found";
        case 3: return L"Path not found";
        case 5: return L"Access denied";
        case 8: return L"Out of memory";
        case 11: return L"Invalid EXE file or error in EXE image";
        case 26: return L"A sharing violation occurred";
        case 27: return L"Incomplete or invalid file association";
        case 28: return L"DDE Time out";
        case 29: return L"DDE transaction failed";
        case 30: return L"DDE busy";
        case 31: return L"No association for file extension";
        case 32: return L"DLL not found";
        default: return L"Unknown error";
    }
}

}  // namespace core
