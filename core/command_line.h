#pragma once
// What the process gets from its surroundings: the argument part of its command line and the
// folder that holds its program file.

#include <string>
#include <string_view>

namespace core {

// The command line without the program's own name (quoted or not) and the blanks after it;
// the rest is returned exactly as it stands.
std::wstring ArgumentPart(std::wstring_view commandLine);

// The folder of a program file's path, as the platform reports a program's folder: without a
// trailing backslash, except at the root of a drive ("E:\"), where it keeps it.
std::wstring ProgramFolderOf(std::wstring_view modulePath);

// A file beside the program: its folder, a backslash and the name, used as it stands (at a drive
// root that makes two backslashes in a row, which the system accepts).
std::wstring SiblingPath(std::wstring_view programFolder, std::wstring_view name);

}  // namespace core
