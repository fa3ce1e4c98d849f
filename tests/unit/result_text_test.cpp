#include "core/result_text.h"

#include <gtest/gtest.h>

namespace {

TEST(ResultText, CompleteSuccessIsTheSystemTextAlone) {
    EXPECT_EQ(core::ResultText(0, L"Success.\r\n", 8), L"Success.\r\n");
    EXPECT_EQ(core::ResultText(0, L"", 8), L"");
}

TEST(ResultText, NonzeroErrorIsNumberedAndTheSystemTextKeptVerbatim) {
    EXPECT_EQ(core::ResultText(183, L"Already exists.\r\n", 8),
              L"Error: 183:\r\nAlready exists.\r\n");
    EXPECT_EQ(core::ResultText(-5, L"x", 8), L"Error: -5:\r\nx");
    EXPECT_EQ(core::ResultText(INT32_MIN, L"", 8), L"Error: -2147483648:\r\n");
}

TEST(ResultText, AStopBeforeTheEndAddsTheStage) {
    EXPECT_EQ(core::ResultText(2, L"File not found.\r\n", 1),
              L"Error: 2:\r\nFile not found.\r\n\r\nInternal error code: 1");
    EXPECT_EQ(core::ResultText(21, L"Not ready.", 4),
              L"Error: 21:\r\nNot ready.\r\nInternal error code: 4");
    EXPECT_EQ(core::ResultText(0, L"Success.", 7), L"Success.\r\nInternal error code: 7");
}

TEST(ResultText, MissingSystemTextLeavesTheErrorLineEmpty) {
    EXPECT_EQ(core::ResultText(0x20001234, L"", 3),
              L"Error: 536875572:\r\n\r\nInternal error code: 3");
}

}  // namespace
