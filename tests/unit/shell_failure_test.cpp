#include "core/shell_failure.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>

namespace {

// The documented shell failures and their texts, as the user reads them.
const std::map<int32_t, std::wstring> kKnown = {
    {2, L"File not found"},
    {3, L"Path not found"},
    {5, L"Access denied"},
    {8, L"Out of memory"},
    {11, L"Invalid EXE file or error in EXE image"},
    {26, L"A sharing violation occurred"},
    {27, L"Incomplete or invalid file association"},
    {28, L"DDE Time out"},
    {29, L"DDE transaction failed"},
    {30, L"DDE busy"},
    {31, L"No association for file extension"},
    {32, L"DLL not found"},
};

TEST(ShellFailureText, EveryCodeFromMinusOneTo33) {
    for (int32_t r = -1; r <= 33; ++r) {
        SCOPED_TRACE(r);
        const auto text = core::ShellFailureText(r);
        if (r > 32) {
            EXPECT_FALSE(text.has_value());
            continue;
        }
        ASSERT_TRUE(text.has_value());
        const auto known = kKnown.find(r);
        EXPECT_EQ(std::wstring(*text), known != kKnown.end() ? known->second : L"Unknown error");
    }
}

TEST(ShellFailureText, BoundaryAndOutOfTableValues) {
    EXPECT_EQ(core::ShellFailureText(32).value(), L"DLL not found");
    EXPECT_FALSE(core::ShellFailureText(33).has_value());
    EXPECT_EQ(core::ShellFailureText(0).value(), L"Unknown error");  // not "Out of memory"
    // A result with its top bit set reads as negative: a failure, not a success.
    EXPECT_EQ(core::ShellFailureText(INT32_MIN).value(), L"Unknown error");
    EXPECT_EQ(core::ShellFailureText(-2147483000).value(), L"Unknown error");
    EXPECT_FALSE(core::ShellFailureText(INT32_MAX).has_value());
}

}  // namespace

TEST(Documents, AddressesHaveASchemeOfTwoCharactersOrMore) {
    EXPECT_TRUE(core::IsAddress(L"https://tavelin.example.org/"));
    EXPECT_TRUE(core::IsAddress(L"mailto:someone@example.org"));
    EXPECT_TRUE(core::IsAddress(L"x-a.b+c:rest"));
    // Drive paths (a one-letter "scheme"), UNC paths and relative names are files.
    EXPECT_FALSE(core::IsAddress(L"E:\\Tavelin\\gpl.txt"));
    EXPECT_FALSE(core::IsAddress(L"E:"));
    EXPECT_FALSE(core::IsAddress(L"\\\\server\\share\\gpl.txt"));
    EXPECT_FALSE(core::IsAddress(L"gpl.txt"));
    EXPECT_FALSE(core::IsAddress(L""));
    // A scheme starts with a letter and holds no other characters than its own.
    EXPECT_FALSE(core::IsAddress(L"1http://x"));
    EXPECT_FALSE(core::IsAddress(L"ht tp://x"));
    EXPECT_FALSE(core::IsAddress(L"C:\\Programs\\a:b"));
}

TEST(Documents, UnreachableFilesGetTheShellsOwnCodes) {
    EXPECT_EQ(core::ShellCodeForUnreachableFile(2), 2);  // no such file
    EXPECT_EQ(core::ShellCodeForUnreachableFile(3), 3);  // no such folder or drive
    EXPECT_EQ(core::ShellCodeForUnreachableFile(5), 5);  // access denied
    // Anything else is for the shell to judge: a medium missing, a network path gone, ...
    for (uint32_t error : {0u, 1u, 21u, 32u, 53u, 123u}) EXPECT_FALSE(core::ShellCodeForUnreachableFile(error)) << error;
}
