#include "core/command_line.h"

#include <gtest/gtest.h>

namespace {

TEST(ArgumentPart, DropsTheProgramNameAndTheBlanksAfterIt) {
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe E:"), L"E:");
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe   \tE:\\Folder"), L"E:\\Folder");
    EXPECT_EQ(core::ArgumentPart(L"\"C:\\Program Files\\Tavelin\\tavelin.exe\" e:"), L"e:");
    // As the C runtime parses it, text glued to the closing quote still belongs to the name.
    EXPECT_EQ(core::ArgumentPart(L"\"C:\\dir with space\\tavelin.exe\"E: F:"), L"F:");
}

TEST(ArgumentPart, KeepsTheArgumentsExactlyAsWritten) {
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe \"E:\""), L"\"E:\"");
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe E: trailing  "), L"E: trailing  ");
}

TEST(ArgumentPart, EmptyWhenThereAreNoArguments) {
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe"), L"");
    EXPECT_EQ(core::ArgumentPart(L"tavelin.exe   "), L"");
    EXPECT_EQ(core::ArgumentPart(L"\"tavelin.exe"), L"");
    EXPECT_EQ(core::ArgumentPart(L""), L"");
}

TEST(ProgramFolderOf, NoTrailingBackslashExceptAtADriveRoot) {
    EXPECT_EQ(core::ProgramFolderOf(L"C:\\Tools\\Tavelin\\tavelin.exe"), L"C:\\Tools\\Tavelin");
    EXPECT_EQ(core::ProgramFolderOf(L"E:\\tavelin.exe"), L"E:\\");
    EXPECT_EQ(core::ProgramFolderOf(L"\\\\server\\share\\tavelin.exe"), L"\\\\server\\share");
    // Sibling files are the directory + "\" + name, so a root holds two backslashes in a row.
    EXPECT_EQ(core::SiblingPath(core::ProgramFolderOf(L"E:\\tavelin.exe"), L"res.dll"), L"E:\\\\res.dll");
}

}  // namespace
