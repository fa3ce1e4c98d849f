#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

#include "core/arithmetic16.h"

namespace core {
namespace {

using Kind = ArithmeticError::Kind;

// The kind of ArithmeticError that f throws; empty when it throws none.
template <class F>
std::optional<Kind> ErrorOf(F f) {
    try {
        f();
    } catch (const ArithmeticError& e) {
        return e.kind();
    }
    return std::nullopt;
}

TEST(Round16, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(Round16(2.5), 2);
    EXPECT_EQ(Round16(-0.5), 0);
    EXPECT_EQ(Round16(1.5), 2);
    EXPECT_EQ(Round16(-1.5), -2);
    EXPECT_EQ(Round16(0.5), 0);
    EXPECT_EQ(Round16(3.5), 4);
    EXPECT_EQ(Round16(-2.5), -2);
    EXPECT_EQ(Round16(32766.5), 32766);
}

TEST(Round16, OtherValuesGoToTheNearest) {
    EXPECT_EQ(Round16(2.4999999), 2);
    EXPECT_EQ(Round16(2.5000001), 3);
    EXPECT_EQ(Round16(-0.5000001), -1);
    EXPECT_EQ(Round16(-1.4), -1);
    EXPECT_EQ(Round16(0.0), 0);
    EXPECT_EQ(Round16(-0.0), 0);
    // A single-precision random number just below 1, scaled: still below the half.
    EXPECT_EQ(Round16(2.0 * static_cast<double>(std::nextafter(1.0f, 0.0f)) - 1.0), 1);
}

TEST(Round16, OverflowsOutsideTheSixteenBitRange) {
    EXPECT_EQ(Round16(32767.0), 32767);
    EXPECT_EQ(Round16(32767.4), 32767);
    EXPECT_EQ(Round16(-32768.0), -32768);
    EXPECT_EQ(Round16(-32768.5), -32768);  // the half goes to the even -32768
    EXPECT_EQ(ErrorOf([] { Round16(32767.5); }), Kind::Overflow);  // even neighbour 32768
    EXPECT_EQ(ErrorOf([] { Round16(32768.0); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Round16(-32768.6); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Round16(-32769.5); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Round16(1e300); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Round16(std::numeric_limits<double>::infinity()); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Round16(std::numeric_limits<double>::quiet_NaN()); }), Kind::Overflow);
}

TEST(Checked16, AddAndSubtractOverflowInsteadOfWrapping) {
    EXPECT_EQ(Add16(32000, 767), 32767);
    EXPECT_EQ(Add16(-32000, -768), -32768);
    EXPECT_EQ(Sub16(-32640, 128), -32768);
    EXPECT_EQ(Sub16(100, 128), -28);
    EXPECT_EQ(ErrorOf([] { Add16(32767, 1); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Add16(-32768, -1); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { Sub16(-32641, 128); }), Kind::Overflow);  // W - 128 with W = -32641
    EXPECT_EQ(ErrorOf([] { Sub16(32767, -1); }), Kind::Overflow);
}

TEST(ScreenPixels, DividesTwipsByTwipsPerPixelAndRounds) {
    EXPECT_EQ(ScreenPixels(1024 * 15.0, 15.0), 1024);
    EXPECT_EQ(ScreenPixels(768 * 12.0, 12.0), 768);
    EXPECT_EQ(ScreenPixels(15367.5, 15.0), 1024);  // 1024.5 -> 1024
    EXPECT_EQ(ScreenPixels(32767 * 15.0, 15.0), 32767);
    EXPECT_EQ(ErrorOf([] { ScreenPixels(32768 * 15.0, 15.0); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { ScreenPixels(40000 * 10.0, 10.0); }), Kind::Overflow);
    EXPECT_EQ(ErrorOf([] { ScreenPixels(1024 * 15.0, 0.0); }), Kind::DivisionByZero);
    EXPECT_EQ(ErrorOf([] { ScreenPixels(0.0, 0.0); }), Kind::DivisionByZero);
}

}  // namespace
}  // namespace core
