// Writes the link pointer: a 32 x 32 monochrome cursor of a hand pointing up, the tip of its
// index finger on the hot spot (12, 9).
//
// usage: cursor <output.cur>

#include <cstdio>
#include <exception>
#include <string_view>

#include "assets/gen/binary.h"
#include "assets/gen/dib.h"

namespace {

constexpr int kHotX = 12;
constexpr int kHotY = 9;

// 'X' black outline, 'o' white inside, '.' transparent; row 0 is the top.
constexpr std::string_view kHand[32] = {
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "................................",
    "............XX..................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooX.................",
    "...........XooXXX...............",
    "...........XooXooXXX............",
    "...........XooXooXooXX..........",
    "...........XooXooXooXoX.........",
    ".......XX..XooXooXooXooX........",
    "......XooX.XooXooXooXooX........",
    "......XooXXXooooooooooooX.......",
    ".......XooXoooooooooooooX.......",
    ".......XoooooooooooooooX........",
    "........XooooooooooooooX........",
    ".........XoooooooooooooX........",
    "..........XooooooooooooX........",
    "..........XooooooooooooX........",
    "...........XooooooooooX.........",
    "...........XooooooooooX.........",
    "...........XXXXXXXXXXXX.........",
    "................................",
    "................................",
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.cur>\n", argv[0]);
        return 2;
    }
    gen::Canvas canvas(32, 32);
    for (int y = 0; y < 32; ++y) {
        if (kHand[y].size() != 32) {
            std::fprintf(stderr, "%s: row %d is %zu pixels wide\n", argv[0], y, kHand[y].size());
            return 1;
        }
        for (int x = 0; x < 32; ++x) {
            if (kHand[y][x] == 'X') canvas.Set(x, y, gen::Rgb{0, 0, 0});
            if (kHand[y][x] == 'o') canvas.Set(x, y, gen::Rgb{255, 255, 255});
        }
    }
    if (canvas.At(kHotX, kHotY) != gen::Rgb{0, 0, 0}) {
        std::fprintf(stderr, "%s: the hot spot is not on the fingertip\n", argv[0]);
        return 1;
    }
    try {
        return gen::WriteFile(argv[1], gen::IconFile({gen::Index(canvas, 1)}, {{kHotX, kHotY}})) ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", argv[0], e.what());
        return 1;
    }
}
