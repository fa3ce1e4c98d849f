#pragma once
// The effect's random numbers: uniform single-precision values in [0, 1).

#include <cstdint>

namespace core {

// A small, fast generator (xoshiro128+ family); not for anything but pictures.
class RandomSource {
public:
    // Seeds from the clock, as each run does once.
    void SeedFromClock();
    void Seed(uint64_t seed);
    // A uniform value in [0, 1) with 24 random bits: every float the interval can hold at that
    // resolution, never 1.0f.
    float operator()();

private:
    uint32_t s_[4] = {1, 2, 3, 4};
};

}  // namespace core
