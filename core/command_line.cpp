#include "core/command_line.h"

namespace core {

namespace {
bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
}  // namespace

std::wstring ArgumentPart(std::wstring_view commandLine) {
    size_t i = 0;
    const size_t n = commandLine.size();
    if (n > 0 && commandLine[0] == L'"') {
        // The program name runs to the closing quote; everything up to the next blank belongs
        // to it too, as the platform's own parser treats it.
        i = commandLine.find(L'"', 1);
        i = (i == std::wstring_view::npos) ? n : i + 1;
    }
    while (i < n && !IsBlank(commandLine[i])) ++i;
    while (i < n && IsBlank(commandLine[i])) ++i;
    return std::wstring(commandLine.substr(i));
}

std::wstring ProgramFolderOf(std::wstring_view modulePath) {
    const size_t slash = modulePath.find_last_of(L"\\/");
    if (slash == std::wstring_view::npos) return std::wstring();
    std::wstring dir(modulePath.substr(0, slash));
    if (dir.size() == 2 && dir[1] == L':') dir += L'\\';
    return dir;
}

std::wstring SiblingPath(std::wstring_view programFolder, std::wstring_view name) {
    std::wstring path(programFolder);
    path += L'\\';
    path += name;
    return path;
}

}  // namespace core
