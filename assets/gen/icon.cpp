// Writes the program icon: a flash drive with a down arrow on it (data going onto the drive),
// as a 16 x 16 image in 16 colours and a 32 x 32 image in 256 colours.
//
// usage: icon <output.ico>

#include <cmath>
#include <cstdio>
#include <exception>

#include "assets/gen/binary.h"
#include "assets/gen/dib.h"

namespace {

using gen::Canvas;
using gen::Mix;
using gen::Rgb;

constexpr Rgb kOutline{22, 38, 84};
constexpr Rgb kBodyLight{92, 152, 236};
constexpr Rgb kBodyDark{28, 74, 168};
constexpr Rgb kMetalLight{232, 236, 242};
constexpr Rgb kMetalDark{150, 158, 172};
constexpr Rgb kMetalEdge{86, 92, 106};
constexpr Rgb kHole{52, 56, 66};
constexpr Rgb kArrow{255, 255, 255};
constexpr Rgb kArrowShadow{18, 48, 118};
constexpr Rgb kLed{72, 214, 104};

// Inside test for a rectangle [x0, x1] x [y0, y1] (inclusive pixels) with corners of radius r.
bool InRoundRect(int x, int y, int x0, int y0, int x1, int y1, double r) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const double cx = x + 0.5, cy = y + 0.5;
    const double left = x0 + r, right = x1 + 1 - r, top = y0 + r, bottom = y1 + 1 - r;
    const double dx = cx < left ? left - cx : cx > right ? cx - right : 0;
    const double dy = cy < top ? top - cy : cy > bottom ? cy - bottom : 0;
    return dx * dx + dy * dy <= r * r + 0.25;
}

// Fills the rounded rectangle, drawing its one-pixel rim in `edge` and the inside with fill(x, y).
template <class Fill>
void RoundRect(Canvas& c, int x0, int y0, int x1, int y1, double r, Rgb edge, Fill fill) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            if (!InRoundRect(x, y, x0, y0, x1, y1, r)) continue;
            const bool rim = !InRoundRect(x - 1, y, x0, y0, x1, y1, r) || !InRoundRect(x + 1, y, x0, y0, x1, y1, r) ||
                             !InRoundRect(x, y - 1, x0, y0, x1, y1, r) || !InRoundRect(x, y + 1, x0, y0, x1, y1, r);
            c.Set(x, y, rim ? edge : fill(x, y));
        }
    }
}

// A down arrow: shaft [sx0, sx1] from y0 to headTop - 1, then a head that narrows by one pixel
// a side per row from [hx0, hx1] until it is two pixels wide or less.
void Arrow(Canvas& c, int sx0, int sx1, int y0, int headTop, int hx0, int hx1, Rgb colour) {
    c.FillRect(sx0, y0, sx1, headTop - 1, colour);
    for (int y = headTop; hx0 <= hx1; ++y, ++hx0, --hx1) c.FillRect(hx0, y, hx1, y, colour);
}

Canvas Large() {
    Canvas c(32, 32);
    // Connector: brushed metal, lighter on the left, with its two contact windows.
    c.FillRect(11, 1, 20, 10, kMetalEdge);
    c.FillRect(12, 2, 19, 10, [](int x, int) { return Mix(kMetalLight, kMetalDark, (x - 12) / 7.0); });
    c.FillRect(13, 4, 14, 5, kHole);
    c.FillRect(17, 4, 18, 5, kHole);
    // Body: blue, lit from the left, with a highlight just inside the left rim and along the top.
    RoundRect(c, 7, 10, 24, 30, 3.0, kOutline, [](int x, int y) {
        Rgb base = Mix(kBodyLight, kBodyDark, (x - 8) / 15.0);
        if (x == 8 || y == 11) base = Mix(base, Rgb{255, 255, 255}, 0.35);
        return base;
    });
    // The arrow, with a one-pixel shadow below and to the right.
    Arrow(c, 15, 18, 14, 21, 11, 22, kArrowShadow);
    Arrow(c, 14, 17, 13, 20, 10, 21, kArrow);
    // Activity light.
    c.FillRect(15, 28, 16, 28, kLed);
    return c;
}

Canvas Small() {
    const Rgb kBodyMid = Mix(kBodyLight, kBodyDark, 0.5);
    Canvas c(16, 16);
    c.FillRect(5, 0, 10, 4, kMetalEdge);
    c.FillRect(6, 1, 9, 4, [](int x, int) { return x < 8 ? kMetalLight : kMetalDark; });
    c.Set(6, 2, kHole);
    c.Set(9, 2, kHole);
    RoundRect(c, 3, 4, 12, 15, 1.5, kOutline, [&](int x, int) {
        return x <= 5 ? kBodyLight : x <= 9 ? kBodyMid : kBodyDark;
    });
    Arrow(c, 8, 9, 7, 11, 6, 11, kArrowShadow);
    Arrow(c, 7, 8, 6, 10, 5, 10, kArrow);
    return c;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.ico>\n", argv[0]);
        return 2;
    }
    try {
        const auto file = gen::IconFile({gen::Index(Small(), 4), gen::Index(Large(), 8)});
        return gen::WriteFile(argv[1], file) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
}
