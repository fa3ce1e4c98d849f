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
