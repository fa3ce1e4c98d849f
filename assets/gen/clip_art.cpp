#include "assets/gen/clip_art.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>

namespace gen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr std::uint32_t kBackground = 0xF0F0F0;  // a light button face, as a neutral default

class Canvas {
public:
    Canvas(int width, int height)
        : width_(width), height_(height), pixels_(static_cast<std::size_t>(width * height), 0) {}

    void Set(int x, int y, std::uint8_t ink) {
        if (x >= 0 && y >= 0 && x < width_ && y < height_) pixels_[At(x, y)] = ink;
    }
    std::uint8_t Get(int x, int y) const {
        return x >= 0 && y >= 0 && x < width_ && y < height_ ? pixels_[At(x, y)] : 0;
    }
    // Fills the inclusive rectangle [x0, x1] x [y0, y1].
    void Fill(int x0, int y0, int x1, int y1, std::uint8_t ink) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, ink);
    }
    std::vector<std::uint8_t> Take() { return std::move(pixels_); }

private:
    std::size_t At(int x, int y) const { return static_cast<std::size_t>(y * width_ + x); }

    int width_, height_;
    std::vector<std::uint8_t> pixels_;
};

// ---- The wait clip -------------------------------------------------------------------------

namespace wait {

enum Ink : std::uint8_t {
    Bg, Outline, White, PaperLight, PaperShade, Crease, TextDark, TextLight,
    BodyDark, Body, BodyLight, BodyShine,
    MetalDark, Metal, MetalLight, Hole,
    LedOff, LedOn, LedGlow,
    Hues,                  // four hues of three inks each: dark, mid, light
    Track = Hues + 12,
    Count
};

const std::vector<std::uint32_t> kPalette = {
    kBackground, 0x282C34, 0xFFFFFF, 0xE8ECF2, 0xC8CED8, 0x969CA6, 0x5A82C8, 0xA0B9E1,
    0x16346E, 0x2654A0, 0x467DCD, 0x82AFEB,
    0x787E88, 0xAFB5BE, 0xD7DCE2, 0x3C4048,
    0x285A32, 0x3CDC5A, 0xAAFAB4,
    0x1E5AB4, 0x3C82DC, 0x96C3F5,   // blue
    0x148246, 0x32AF64, 0x96E1AF,   // green
    0xC86414, 0xF09628, 0xFACD8C,   // orange
    0x6E3CAA, 0x9664D2, 0xCDB4F0,   // purple
    0xB9BEC6,
};

constexpr int kWidth = 249, kHeight = 56;
constexpr int kFrames = 48;      // the loop
constexpr int kPages = 4;        // travelling at once, evenly spaced in time
constexpr int kStartX = 27, kEndX = 182, kBaseY = 28, kHop = 14;

struct PageInks {
    std::uint8_t outline, paper, crease, fold;
};

// A page with its top-right corner folded down by `fold` pixels.
void Page(Canvas& c, int x0, int y0, int w, int h, int fold, const PageInks& ink) {
    const int right = x0 + w - 1, bottom = y0 + h - 1;
    const int fx = right - fold, fy = y0 + fold;
    for (int y = y0; y <= bottom; ++y) {
        for (int x = x0; x <= right; ++x) {
            if (x > fx && y < fy) {
                const int across = x - fx, down = y - y0;
                if (across > down) continue;  // cut away
                c.Set(x, y, across == down || x == right ? ink.outline : ink.fold);
                continue;
            }
            const bool border = x == x0 || x == right || y == y0 || y == bottom;
            const bool crease = (x == fx && y <= fy) || (y == fy && x >= fx);
            c.Set(x, y, border ? ink.outline : crease ? ink.crease : ink.paper);
        }
    }
}

void Document(Canvas& c) {
    const PageInks back{Outline, PaperLight, Crease, PaperShade};
    const PageInks front{Outline, White, Crease, PaperShade};
    Page(c, 8, 7, 26, 36, 7, back);
    Page(c, 14, 12, 26, 37, 7, front);
    // Lines of text, short ones ending paragraphs.
    const int lengths[] = {14, 18, 18, 11, 18, 16, 8};
    for (int i = 0; i < 7; ++i) {
        const int y = 22 + 4 * i;
        for (int x = 18; x < 18 + lengths[i]; ++x) c.Set(x, y, i % 3 == 0 ? TextDark : TextLight);
    }
    for (int x = 18; x < 30; ++x) c.Set(x, 16, TextDark);  // a heading
    for (int x = 18; x < 30; ++x) c.Set(x, 17, TextDark);
}

// A small page of data in one of the four hues.
void DataPage(Canvas& c, int x0, int y0, int hue) {
    const auto dark = static_cast<std::uint8_t>(Hues + 3 * hue);
    const PageInks ink{dark, White, static_cast<std::uint8_t>(dark + 2),
                       static_cast<std::uint8_t>(dark + 2)};
    Page(c, x0, y0, 11, 13, 3, ink);
    c.Fill(x0 + 2, y0 + 2, x0 + 6, y0 + 3, static_cast<std::uint8_t>(dark + 1));
    for (int row = 0; row < 3; ++row) {
        const int len = row == 2 ? 4 : 7;
        for (int x = x0 + 2; x < x0 + 2 + len; ++x) c.Set(x, y0 + 6 + 2 * row, dark + 2u);
    }
}

void Dots(Canvas& c, int frame) {
    for (int x = 44; x <= 164; ++x)
        if ((x - frame) % 6 == 0 || (x - frame) % 6 == 1) c.Set(x, 51, Track);
}

bool Inside(int x, int y, int x0, int y0, int x1, int y1, int radius) {
    if (x < x0 || x > x1 || y < y0 || y > y1) return false;
    const int cx = std::clamp(x, x0 + radius, x1 - radius);
    const int cy = std::clamp(y, y0 + radius, y1 - radius);
    const int dx = x - cx, dy = y - cy;
    return dx * dx + dy * dy <= radius * radius + radius / 2;
}

void Stick(Canvas& c, bool ledOn, bool glow) {
    // The plug, seen from above: a metal shell with its two square holes.
    constexpr int px0 = 169, px1 = 190, py0 = 20, py1 = 36;
    c.Fill(px0, py0, px1, py1, Outline);
    c.Fill(px0 + 1, py0 + 1, px1, py0 + 2, MetalLight);
    c.Fill(px0 + 1, py0 + 3, px1, py1 - 2, Metal);
    c.Fill(px0 + 1, py1 - 1, px1, py1 - 1, MetalDark);
    c.Fill(174, 25, 177, 28, Hole);
    c.Fill(182, 25, 185, 28, Hole);

    // The body, rounded, lit from above.
    constexpr int bx0 = 189, bx1 = 241, by0 = 12, by1 = 44, r = 5;
    for (int y = by0; y <= by1; ++y) {
        for (int x = bx0; x <= bx1; ++x) {
            if (!Inside(x, y, bx0, by0, bx1, by1, r)) continue;
            const bool edge = !Inside(x - 1, y, bx0, by0, bx1, by1, r) ||
                              !Inside(x + 1, y, bx0, by0, bx1, by1, r) ||
                              !Inside(x, y - 1, bx0, by0, bx1, by1, r) ||
                              !Inside(x, y + 1, bx0, by0, bx1, by1, r);
            std::uint8_t ink = Body;
            if (edge) ink = Outline;
            else if (y <= by0 + 2) ink = BodyShine;
            else if (y <= by0 + 5) ink = BodyLight;
            else if (y >= by1 - 3) ink = BodyDark;
            else if (x <= bx0 + 3) ink = BodyDark;  // the collar round the plug
            c.Set(x, y, ink);
        }
    }
    // A paper label with a few lines of writing.
    for (int y = 19; y <= 37; ++y)
        for (int x = 198; x <= 225; ++x)
            if (Inside(x, y, 198, 19, 225, 37, 2)) c.Set(x, y, y == 37 ? PaperShade : White);
    const int lengths[] = {18, 14, 18, 10};
    for (int i = 0; i < 4; ++i)
        for (int x = 202; x < 202 + lengths[i]; ++x) c.Set(x, 23 + 4 * i, i == 0 ? TextDark : Crease);

    // The activity light: a round lamp, haloed for a moment as a page arrives.
    auto lamp = [&](int x0, int y0, int size, std::uint8_t ink) {
        for (int y = y0; y < y0 + size; ++y)
            for (int x = x0; x < x0 + size; ++x)
                if ((x != x0 && x != x0 + size - 1) || (y != y0 && y != y0 + size - 1)) c.Set(x, y, ink);
    };
    if (glow) lamp(229, 24, 8, BodyShine);
    lamp(230, 25, 6, BodyDark);
    lamp(231, 26, 4, ledOn ? LedOn : LedOff);
    if (ledOn) c.Set(232, 27, LedGlow);
}

std::vector<std::uint8_t> Frame(int frame) {
    Canvas c(kWidth, kHeight);
    Dots(c, frame);
    for (int k = 0; k < kPages; ++k) {
        const double p = static_cast<double>((frame + k * kFrames / kPages) % kFrames) / kFrames;
        const double x = kStartX + p * (kEndX - kStartX);
        const double y = kBaseY - kHop * std::sin(kPi * p);
        DataPage(c, static_cast<int>(std::lround(x)) - 5, static_cast<int>(std::lround(y)) - 6,
                 k % 4);
    }
    Document(c);
    // The light comes on as a page slips into the plug, and stays on for a few frames.
    const int sinceArrival = (frame + 2) % (kFrames / kPages);
    Stick(c, sinceArrival < 4, sinceArrival < 2);
    return c.Take();
}

}  // namespace wait

// ---- The About clip ------------------------------------------------------------------------

namespace about {

enum Ink : std::uint8_t { Bg, Outline, Gold, RimDark = Gold + 8, RimLight, Count };

const std::vector<std::uint32_t> kPalette = {
    kBackground, 0x5C3C08,
    0x805408, 0x9E6C10, 0xBC861C, 0xD4A02C, 0xE8B840, 0xF4CE60, 0xFCE28C, 0xFFF4C8,
    0x966412, 0xC48E28,
};

constexpr int kWidth = 36, kHeight = 38;
constexpr int kFrames = 24;
constexpr double kRadius = 16.0, kHalfThickness = 2.0;
constexpr double kCenterX = 18.0, kCenterY = 19.0;

bool InEmblem(double u, double v) {
    const double r = std::hypot(u, v);
    const bool ring = r >= kRadius - 3.6 && r <= kRadius - 2.2;
    const bool bar = v >= -8.0 && v <= -5.0 && std::abs(u) <= 7.0;
    const bool stem = std::abs(u) <= 1.7 && v >= -5.0 && v <= 8.5;
    return ring || bar || stem;
}

// The ink at a point of the frame for a coin turned by `angle` about its vertical axis.
std::uint8_t Sample(double x, double y, double angle) {
    const double dy = y - kCenterY;
    if (std::abs(dy) > kRadius) return Bg;
    const double c = std::cos(angle), s = std::sin(angle);
    const double half = kRadius * std::abs(c) * std::sqrt(1.0 - (dy * dy) / (kRadius * kRadius));
    const double shift = kHalfThickness * s;  // the face nearer the viewer
    const double dx = x - kCenterX;
    if (std::abs(dx - shift) <= half && std::abs(c) > 0.05) {
        const double u = (dx - shift) / c;  // the face's own coordinates, mirrored on the back
        double level = 1.5 + 4.5 * std::pow(std::abs(c), 0.6) - (u + dy) / kRadius * 1.4;
        const double glint = (u + dy) * 0.7071 - 1.6 * kRadius * s;
        if (std::abs(glint) < 2.2) level += 2.0;
        if (InEmblem(u, dy)) level -= 2.5;
        return static_cast<std::uint8_t>(Gold + std::clamp(static_cast<int>(std::lround(level)), 0, 7));
    }
    if (std::abs(dx) <= std::abs(shift) + half) return dy < -kRadius / 3 ? RimLight : RimDark;
    return Bg;
}

std::vector<std::uint8_t> Frame(int frame) {
    const double angle = 2.0 * kPi * frame / kFrames;
    Canvas c(kWidth, kHeight);
    constexpr int kSub = 4;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            std::array<int, Count> votes{};
            for (int sy = 0; sy < kSub; ++sy)
                for (int sx = 0; sx < kSub; ++sx)
                    ++votes[Sample(x + (sx + 0.5) / kSub, y + (sy + 0.5) / kSub, angle)];
            // The coin wins ties with the background so that thin edges survive.
            int best = Bg;
            for (int i = 1; i < Count; ++i)
                if (votes[i] > votes[best] || (best == Bg && votes[i] * 2 >= kSub * kSub)) best = i;
            c.Set(x, y, static_cast<std::uint8_t>(best));
        }
    }
    // A dark outline keeps the coin crisp against any background.
    Canvas out = c;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (c.Get(x, y) != Bg && (c.Get(x - 1, y) == Bg || c.Get(x + 1, y) == Bg ||
                                      c.Get(x, y - 1) == Bg || c.Get(x, y + 1) == Bg))
                out.Set(x, y, Outline);
    return out.Take();
}

}  // namespace about

}  // namespace

IndexedClip WaitClip() {
    IndexedClip clip{wait::kWidth, wait::kHeight, 66'667, wait::kPalette, {}};
    for (int f = 0; f < wait::kFrames; ++f) clip.frames.push_back(wait::Frame(f));
    return clip;
}

IndexedClip AboutClip() {
    IndexedClip clip{about::kWidth, about::kHeight, 80'000, about::kPalette, {}};
    for (int f = 0; f < about::kFrames; ++f) clip.frames.push_back(about::Frame(f));
    return clip;
}

}  // namespace gen
