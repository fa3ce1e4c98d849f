// Writes the About window's photograph: a lake among mountains at dusk with a pine on the shore,
// 48 x 60 pixels in 24-bit colour, rendered with 4 x 4 supersampling.
//
// usage: photo <output.bmp>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "assets/gen/binary.h"
#include "assets/gen/dib.h"

namespace {

using gen::Mix;
using gen::Rgb;

constexpr int kWidth = 48;
constexpr int kHeight = 60;
constexpr double kHorizon = 38.0;  // the lake's far shore

struct Colour {
    double r = 0, g = 0, b = 0;
};
Colour C(Rgb c) { return {double(c.r), double(c.g), double(c.b)}; }
Colour Lerp(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

// Smooth 1-D value noise in [-1, 1], fixed by its seed.
double Noise(double x, uint32_t seed) {
    auto hash = [seed](int32_t i) {
        uint32_t h = static_cast<uint32_t>(i) * 0x9E3779B1u ^ seed * 0x85EBCA77u;
        h ^= h >> 15;
        h *= 0x2C1B3C6Du;
        h ^= h >> 12;
        return (h & 0xFFFF) / 32767.5 - 1.0;
    };
    const double fl = std::floor(x);
    const double t = x - fl;
    const double s = t * t * (3 - 2 * t);
    const auto i = static_cast<int32_t>(fl);
    return hash(i) + (hash(i + 1) - hash(i)) * s;
}

double Ridge(double x, double base, double height, double scale, uint32_t seed) {
    return base - height * (0.6 * Noise(x / scale, seed) + 0.3 * Noise(x / (scale / 2.3), seed + 7) +
                            0.1 * Noise(x / (scale / 5.1), seed + 13));
}

Colour Sky(double x, double y) {
    const Colour top = C({34, 52, 118}), mid = C({156, 112, 164}), low = C({252, 176, 112});
    const double t = y / kHorizon;
    Colour c = t < 0.55 ? Lerp(top, mid, t / 0.55) : Lerp(mid, low, (t - 0.55) / 0.45);
    const double sunX = 32, sunY = 21;
    const double d = std::hypot(x - sunX, y - sunY);
    if (d < 3.2) return C({255, 240, 196});
    return Lerp(c, C({255, 214, 150}), 0.55 * std::exp(-(d - 3.2) / 5.0));
}

// Land above the shore: two mountain ranges, paler with distance, in front of the sky.
Colour Backdrop(double x, double y) {
    if (y > Ridge(x, 34, 5, 9, 3)) return Lerp(C({62, 58, 102}), C({44, 44, 82}), (y - 30) / 8);
    if (y > Ridge(x, 28, 7, 14, 1)) return Lerp(C({124, 104, 150}), Sky(x, y), 0.25);
    return Sky(x, y);
}

Colour Lake(double x, double y) {
    const double depth = y - kHorizon;
    Colour c = Backdrop(x, kHorizon - depth * 1.3 - 0.5);  // mirrored, slightly stretched
    c = Lerp(c, C({30, 40, 80}), 0.25 + depth * 0.03);
    const double ripple = std::sin(y * 3.1 + Noise(x / 3, 21) * 2.5);
    c = Lerp(c, C({255, 226, 170}), std::max(0.0, ripple) * 0.12);
    return c;
}

Colour Meadow(double x, double y, double edge) {
    const double t = (y - edge) / (kHeight - edge);
    Colour c = Lerp(C({70, 104, 52}), C({26, 48, 30}), t);
    const double blades = Noise(x * 1.9 + 2.0 * Noise(y * 0.9, 37), 31);
    return Lerp(c, C({120, 150, 70}), std::max(0.0, blades) * 0.35 * (1 - t));
}

// A pine on the near shore: stacked tiers that widen downward, on a short trunk.
bool Pine(double x, double y, Colour& out) {
    const double cx = 10.5, top = 14, foot = 51;
    if (y >= 46 && y < foot && std::abs(x - cx) < 1.0) {
        out = C({58, 40, 30});
        return true;
    }
    if (y < top || y >= 47) return false;
    const double tier = std::fmod(y - top, 7.0) / 7.0;
    const double half = 1.0 + (y - top) * 0.17 + tier * 2.2;
    if (std::abs(x - cx) > half) return false;
    out = Lerp(C({30, 70, 48}), C({14, 36, 28}), (x - cx + half) / (2 * half));
    return true;
}

Colour Scene(double x, double y) {
    Colour pine;
    if (Pine(x, y, pine)) return pine;
    const double shore = 47 + 2.5 * Noise(x / 6, 41);
    if (y >= shore) return Meadow(x, y, shore);
    if (y >= kHorizon) return Lake(x, y);
    return Backdrop(x, y);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.bmp>\n", argv[0]);
        return 2;
    }
    constexpr int kSub = 4;
    gen::Canvas canvas(kWidth, kHeight);
    for (int py = 0; py < kHeight; ++py) {
        for (int px = 0; px < kWidth; ++px) {
            Colour sum;
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    const Colour c = Scene(px + (sx + 0.5) / kSub, py + (sy + 0.5) / kSub);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                }
            }
            auto ch = [](double v) { return static_cast<uint8_t>(std::clamp(std::lround(v / (kSub * kSub)), 0L, 255L)); };
            canvas.Set(px, py, Rgb{ch(sum.r), ch(sum.g), ch(sum.b)});
        }
    }
    return gen::WriteFile(argv[1], gen::BmpFile24(canvas)) ? 0 : 1;
}
