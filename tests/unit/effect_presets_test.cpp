#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <vector>

#include "core/effect_presets.h"

namespace core {

void PrintTo(const EffectParameters& p, std::ostream* os) {
    *os << "{" << p.rangex << ", " << p.rangey << ", " << p.biasx << ", " << p.biasy << ", "
        << p.blockw << ", " << p.blockh << "}";
}

namespace {

// The preset table, rows 0..21; rows without a range of their own have none here.
struct Row {
    std::optional<int16_t> rangex, rangey;
    int16_t biasx, biasy, blockw, blockh;
};
const Row kTable[22] = {
    {2, 2, 1, 1, 128, 128},        {20, 20, 1, 1, 128, 128},     {9, 9, 1, 1, 128, 128},
    {0, 0, 1, 1, 128, 128},        {3, 3, 1, 1, 128, 128},       {5, 5, 1, 1, 128, 128},
    {10000, 10000, 1, 1, 128, 128}, {1000, 1000, 1, 1, 128, 128}, {10, 2, 1, 1, 128, 128},
    {2, 10, 1, 1, 128, 128},       {{}, {}, 10, 10, 128, 128},   {20, 10, 10, 10, 128, 128},
    {2, 2, -100, 2, 128, 128},     {2, 2, 1, 1, 100, 10},        {10, 8, 1, 1, 100, 10},
    {50, 10, 80, 10, 1, 25},       {2, 10, 5, 10, 12, 1},        {1, 1, -2, 10, 1, 1},
    {5, 5, -2, 10, 8, 4},          {2, 10, -2, 10, 200, 4},      {30, 30, 10, 10, 10, 10},
    {25, 25, 250, 25, 25, 255},
};

EffectParameters Expected(const Row& row, const EffectParameters& before) {
    return {row.rangex.value_or(before.rangex), row.rangey.value_or(before.rangey),
            row.biasx, row.biasy, row.blockw, row.blockh};
}

TEST(LoadPreset, EveryRowOfTheTableOnAFreshAndOnAUsedObject) {
    const EffectParameters used{77, 66, 55, 44, 33, 22};
    for (int16_t ef = 0; ef < 22; ++ef) {
        SCOPED_TRACE(ef);
        EffectParameters fresh;
        LoadPreset(ef, fresh);
        EXPECT_EQ(fresh, Expected(kTable[ef], EffectParameters{}));
        EffectParameters again = used;
        LoadPreset(ef, again);
        EXPECT_EQ(again, Expected(kTable[ef], used));
    }
}

TEST(LoadPreset, ValuesOutsideTheTableGetTheDefaultsAndKeepTheRanges) {
    for (int16_t ef : {int16_t{-32768}, int16_t{-1}, int16_t{22}, int16_t{23}, int16_t{32767}}) {
        SCOPED_TRACE(ef);
        EffectParameters fresh;
        LoadPreset(ef, fresh);
        EXPECT_EQ(fresh, (EffectParameters{0, 0, 1, 1, 128, 128}));
        EffectParameters used{2, 2, 9, 9, 9, 9};
        LoadPreset(ef, used);
        EXPECT_EQ(used, (EffectParameters{2, 2, 1, 1, 128, 128}));
    }
}

// A random source that plays back a script and counts the numbers drawn.
class Script {
public:
    explicit Script(std::vector<float> values) : values_(std::move(values)) {}
    float operator()() {
        if (drawn_ >= values_.size()) {
            ADD_FAILURE() << "more than " << values_.size() << " random numbers drawn";
            return 0.0f;
        }
        return values_[drawn_++];
    }
    size_t drawn() const { return drawn_; }

private:
    std::vector<float> values_;
    size_t drawn_ = 0;
};

EffectParameters Preset(int16_t ef) {
    EffectParameters p;
    LoadPreset(ef, p);
    return p;
}

constexpr float kAlmostOne = 16777215.0f / 16777216.0f;  // the largest value below 1

TEST(NextPass, PresetZeroMovesA128BlockByAtMostOnePixel) {
    const EffectParameters p = Preset(0);
    Script drawsInOrder({0.5f, 0.25f, 0.75f, 0.25f});  // x, y, dx, dy
    Pass s = NextPass(p, 1024, 768, drawsInOrder);
    EXPECT_EQ(drawsInOrder.drawn(), 4u);
    EXPECT_EQ(s.x, 448);   // 896 * 0.5
    EXPECT_EQ(s.y, 160);   // 640 * 0.25
    EXPECT_EQ(s.dx, 0);    // 2 * 0.75 - 1 = 0.5, to even
    EXPECT_EQ(s.dy, 0);    // -0.5, to even
    EXPECT_EQ(s.destX, 448);
    EXPECT_EQ(s.destY, 160);

    Script low({0.0f, 0.0f, 0.0f, 0.0f});
    s = NextPass(p, 1024, 768, low);
    EXPECT_EQ(s.x, 0);
    EXPECT_EQ(s.dx, -1);
    EXPECT_EQ(s.destX, -1);  // above and left of the window: clipped by the copy, not an error
    EXPECT_EQ(s.destY, -1);

    Script high({kAlmostOne, kAlmostOne, kAlmostOne, kAlmostOne});
    s = NextPass(p, 1024, 768, high);
    EXPECT_EQ(s.x, 896);  // the margin is 128 whatever the block size
    EXPECT_EQ(s.y, 640);
    EXPECT_EQ(s.dx, 1);
    EXPECT_EQ(s.dy, 1);
    EXPECT_EQ(s.destX, 897);
}

TEST(NextPass, ConstantShiftForPresetsWithoutARange) {
    for (int16_t ef : {int16_t{3}, int16_t{22}, int16_t{-1}}) {
        SCOPED_TRACE(ef);
        Script script({0.3f, 0.6f, kAlmostOne, 0.0f});
        const Pass s = NextPass(Preset(ef), 800, 600, script);
        EXPECT_EQ(s.dx, -1);
        EXPECT_EQ(s.dy, -1);
        EXPECT_EQ(s.x, 202);  // 672 * 0.3 = 201.6
        EXPECT_EQ(s.destX, 201);
    }
    Script script({0.0f, 0.0f, 0.5f, kAlmostOne});
    const Pass s = NextPass(Preset(10), 800, 600, script);
    EXPECT_EQ(s.dx, -10);
    EXPECT_EQ(s.dy, -10);
    EXPECT_EQ(s.destX, -10);
    EXPECT_EQ(s.destY, -10);
}

TEST(NextPass, PresetTwelveJumpsAboutAHundredPixelsRight) {
    const EffectParameters p = Preset(12);
    Script a({0.5f, 0.5f, 0.25f, 0.75f});
    Pass s = NextPass(p, 1024, 768, a);
    EXPECT_EQ(s.dx, 100);  // 100.5 to even
    EXPECT_EQ(s.dy, 0);    // -0.5 to even
    EXPECT_EQ(s.destX, 548);
    Script b({0.5f, 0.5f, 0.75f, 0.25f});
    s = NextPass(p, 1024, 768, b);
    EXPECT_EQ(s.dx, 102);  // 101.5 to even
    EXPECT_EQ(s.dy, -2);   // -1.5 to even
    Script c({0.5f, 0.5f, kAlmostOne, 0.5f});
    s = NextPass(p, 1024, 768, c);
    EXPECT_EQ(s.dx, 102);
    EXPECT_EQ(s.dy, -1);
}

TEST(NextPass, ProductsAndDifferencesAreNotRoundedToSinglePrecision) {
    // 896 * r is 131.49999... exactly; in single precision it would be 131.5 and round to 132.
    const float r1 = std::ldexp(2462281.0f, -24);
    Script a({r1, 0.0f, 0.0f, 0.0f});
    EXPECT_EQ(NextPass(Preset(0), 1024, 768, a).x, 131);
    // 10000 * r - 1 is 232.500003...; in single precision 232.5, which would round to 232.
    const float r2 = std::ldexp(391748.0f, -24);
    Script b({0.0f, 0.0f, r2, 0.0f});
    EXPECT_EQ(NextPass(Preset(6), 1024, 768, b).dx, 233);
}

TEST(NextPass, OverflowsWhereTheSixteenBitStepsDo) {
    auto overflowAfter = [](const EffectParameters& p, int16_t W, int16_t H, std::vector<float> v) {
        Script script(std::move(v));
        try {
            NextPass(p, W, H, script);
        } catch (const ArithmeticError& e) {
            EXPECT_EQ(e.kind(), ArithmeticError::Kind::Overflow);
            return static_cast<int>(script.drawn());
        }
        return -1;
    };
    // W - 128 before the first number is drawn.
    EXPECT_EQ(overflowAfter(Preset(0), -32700, 768, {0.5f, 0.5f, 0.5f, 0.5f}), 0);
    // H - 128 after x's number.
    EXPECT_EQ(overflowAfter(Preset(0), 1024, -32700, {0.5f, 0.5f, 0.5f, 0.5f}), 1);
    // x + dx on a wide screen with preset 6: 32313 + 4999.
    EXPECT_EQ(overflowAfter(Preset(6), 32767, 768, {0.99f, 0.5f, 0.5f, 0.0f}), 4);
    // y + dy likewise.
    EXPECT_EQ(overflowAfter(Preset(6), 1024, 32767, {0.0f, 0.99f, 0.0f, 0.5f}), 4);
    // The same screen without the large shift does not overflow.
    EXPECT_EQ(overflowAfter(Preset(0), 32767, 32767, {kAlmostOne, kAlmostOne, kAlmostOne,
                                                       kAlmostOne}), -1);
    // A range whose scaled value leaves 16 bits: round() overflows.
    EffectParameters wide = Preset(0);
    wide.rangex = 32767;
    wide.biasx = -32767;
    EXPECT_EQ(overflowAfter(wide, 1024, 768, {0.0f, 0.0f, 0.5f, 0.0f}), 3);
}

}  // namespace
}  // namespace core
