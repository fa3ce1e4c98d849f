#include "core/random_source.h"

#include <chrono>

namespace core {

namespace {
uint64_t SplitMix(uint64_t& state) {
    uint64_t z = (state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

uint32_t Rotl(uint32_t x, int k) { return (x << k) | (x >> (32 - k)); }
}  // namespace

void RandomSource::Seed(uint64_t seed) {
    // SplitMix spreads any seed, including 0, over a state that is never all zero.
    const uint64_t a = SplitMix(seed);
    const uint64_t b = SplitMix(seed);
    s_[0] = static_cast<uint32_t>(a);
    s_[1] = static_cast<uint32_t>(a >> 32);
    s_[2] = static_cast<uint32_t>(b);
    s_[3] = static_cast<uint32_t>(b >> 32);
    if ((s_[0] | s_[1] | s_[2] | s_[3]) == 0) s_[0] = 1;
}

void RandomSource::SeedFromClock() {
    const auto now = std::chrono::high_resolution_clock::now().time_since_epoch().count();
    Seed(static_cast<uint64_t>(now));
}

float RandomSource::operator()() {
    const uint32_t result = s_[0] + s_[3];
    const uint32_t t = s_[1] << 9;
    s_[2] ^= s_[0];
    s_[3] ^= s_[1];
    s_[1] ^= s_[2];
    s_[0] ^= s_[3];
    s_[2] ^= t;
    s_[3] = Rotl(s_[3], 11);
    // The top 24 bits map exactly onto floats k / 2^24, k < 2^24.
    return static_cast<float>(result >> 8) * (1.0f / 16777216.0f);
}

}  // namespace core
