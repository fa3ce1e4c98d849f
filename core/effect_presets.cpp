#include "core/effect_presets.h"

namespace core {

void LoadPreset(int16_t ef, EffectParameters& p) {
    p.biasx = 1;
    p.blockw = 128;
    p.blockh = 128;
    p.biasy = 1;

    // Each row sets only its own values: the defaults above stand for what a row leaves out.
    auto shift = [&p](int16_t rx, int16_t ry, int16_t bx, int16_t by) {
        p.rangex = rx;
        p.rangey = ry;
        p.biasx = bx;
        p.biasy = by;
    };
    auto block = [&p](int16_t w, int16_t h) {
        p.blockw = w;
        p.blockh = h;
    };
    switch (ef) {
        case 0: shift(2, 2, 1, 1); break;
        case 1: shift(20, 20, 1, 1); break;
        case 2: shift(9, 9, 1, 1); break;
        case 3: shift(0, 0, 1, 1); break;
        case 4: shift(3, 3, 1, 1); break;
        case 5: shift(5, 5, 1, 1); break;
        case 6: shift(10000, 10000, 1, 1); break;
        case 7: shift(1000, 1000, 1, 1); break;
        case 8: shift(10, 2, 1, 1); break;
        case 9: shift(2, 10, 1, 1); break;
        case 10: p.biasx = 10; p.biasy = 10; break;
        case 11: shift(20, 10, 10, 10); break;
        case 12: shift(2, 2, -100, 2); break;
        case 13: shift(2, 2, 1, 1); block(100, 10); break;
        case 14: shift(10, 8, 1, 1); block(100, 10); break;
        case 15: shift(50, 10, 80, 10); block(1, 25); break;
        case 16: shift(2, 10, 5, 10); block(12, 1); break;
        case 17: shift(1, 1, -2, 10); block(1, 1); break;
        case 18: shift(5, 5, -2, 10); block(8, 4); break;
        case 19: shift(2, 10, -2, 10); block(200, 4); break;
        case 20: shift(30, 30, 10, 10); block(10, 10); break;
        case 21: shift(25, 25, 250, 25); block(25, 255); break;
        default: break;
    }
}

}  // namespace core
