#pragma once
// The screen effect's parameters: the preset table and the coordinates of one pass.

#include <cstdint>

#include "core/arithmetic16.h"

namespace core {

// The margin kept free at the right and bottom of the screen when choosing a block's source
// point; fixed, whatever the block size.
inline constexpr int16_t kMargin = 128;

// The six parameters a preset fixes; the screen effect window keeps one set of them for its run.
struct EffectParameters {
    int16_t rangex = 0;  // width of the range of the horizontal shift
    int16_t rangey = 0;  // width of the range of the vertical shift
    int16_t biasx = 0;   // subtracted from the scaled random number: horizontal shift
    int16_t biasy = 0;   // the same, vertical
    int16_t blockw = 0;  // block copied in one pass, pixels
    int16_t blockh = 0;

    friend bool operator==(const EffectParameters&, const EffectParameters&) = default;
};

// The program runs row 0; the rest let tests reach shifts, blocks and overflows row 0 never does.
// Writes the defaults (biasx, biasy = 1; blockw, blockh = 128), then the row of preset `ef`
// (0..21; any other value has no row). rangex and rangey are not among the defaults: presets
// without them (10 and the values outside the table) leave them as they were.
void LoadPreset(int16_t ef, EffectParameters& p);

// One pass of the effect: the block at (x, y) goes to (x + dx, y + dy).
struct Pass {
    int16_t x = 0, y = 0;
    int16_t dx = 0, dy = 0;
    int16_t destX = 0, destY = 0;
};

// The coordinates of one pass on a W x H screen. `random` is called four times, for x, y, dx
// and dy in that order, and returns a float in [0, 1). Products and differences are taken in
// double precision from the exact values; every 16-bit step throws ArithmeticError on overflow
// (W - 128, H - 128, the four roundings, x + dx, y + dy), at the point where it happens.
template <class RandomSource>
Pass NextPass(const EffectParameters& p, int16_t W, int16_t H, RandomSource&& random) {
    Pass s;
    s.x = Round16(static_cast<double>(Sub16(W, kMargin)) * static_cast<double>(random()));
    s.y = Round16(static_cast<double>(Sub16(H, kMargin)) * static_cast<double>(random()));
    s.dx = Round16(static_cast<double>(p.rangex) * static_cast<double>(random()) -
                   static_cast<double>(p.biasx));
    s.dy = Round16(static_cast<double>(p.rangey) * static_cast<double>(random()) -
                   static_cast<double>(p.biasy));
    s.destX = Add16(s.x, s.dx);
    s.destY = Add16(s.y, s.dy);
    return s;
}

}  // namespace core
