#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/effect_presets.h"
#include "core/random_source.h"

namespace core {
namespace {

TEST(RandomSource, UniformSinglePrecisionValuesInTheHalfOpenUnitInterval) {
    RandomSource random;
    random.Seed(12345);
    constexpr int kCount = 1 << 20;
    std::array<int, 16> bins{};
    double sum = 0;
    for (int i = 0; i < kCount; ++i) {
        const float r = random();
        ASSERT_GE(r, 0.0f);
        ASSERT_LT(r, 1.0f);
        ASSERT_EQ(std::ldexp(r, 24), std::floor(std::ldexp(r, 24)));  // on the 2^-24 grid
        sum += r;
        ++bins[static_cast<size_t>(r * 16)];
    }
    EXPECT_NEAR(sum / kCount, 0.5, 0.002);
    for (int count : bins) EXPECT_NEAR(count, kCount / 16, kCount / 16 / 50);
}

TEST(RandomSource, SeedsFixTheSequence) {
    RandomSource a, b, c;
    a.Seed(7);
    b.Seed(7);
    c.Seed(8);
    int differences = 0;
    for (int i = 0; i < 100; ++i) {
        const float va = a();
        EXPECT_EQ(va, b());
        if (va != c()) ++differences;
    }
    EXPECT_GT(differences, 90);

    RandomSource zero;
    zero.Seed(0);
    float first = zero();
    bool moves = false;
    for (int i = 0; i < 10; ++i) moves |= zero() != first;
    EXPECT_TRUE(moves);
}

TEST(RandomSource, PresetZeroShiftsAreMinusOneZeroOneInTheRatioOneTwoOne) {
    RandomSource random;
    random.SeedFromClock();
    EffectParameters p;
    LoadPreset(0, p);
    std::array<int, 3> dx{}, dy{};
    constexpr int kPasses = 200000;
    for (int i = 0; i < kPasses; ++i) {
        const Pass s = NextPass(p, 1024, 768, random);
        ASSERT_GE(s.dx, -1);
        ASSERT_LE(s.dx, 1);
        ASSERT_GE(s.dy, -1);
        ASSERT_LE(s.dy, 1);
        ASSERT_GE(s.x, 0);
        ASSERT_LE(s.x, 896);
        ASSERT_GE(s.y, 0);
        ASSERT_LE(s.y, 640);
        ++dx[s.dx + 1];
        ++dy[s.dy + 1];
    }
    for (const auto& counts : {dx, dy}) {
        EXPECT_NEAR(counts[0], kPasses / 4, kPasses / 100);
        EXPECT_NEAR(counts[1], kPasses / 2, kPasses / 100);
        EXPECT_NEAR(counts[2], kPasses / 4, kPasses / 100);
    }
}

}  // namespace
}  // namespace core
