#pragma once
// Device-independent bitmaps for the asset generators: a drawing canvas, palette images, and the
// icon, cursor and .bmp file formats built from them.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "assets/gen/binary.h"

namespace gen {

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
    friend auto operator<=>(const Rgb&, const Rgb&) = default;
};

// Linear blend of two colours, t in [0, 1].
inline Rgb Mix(Rgb a, Rgb b, double t) {
    auto ch = [t](uint8_t x, uint8_t y) {
        const double v = x + (y - x) * t;
        return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v + 0.5);
    };
    return {ch(a.r, b.r), ch(a.g, b.g), ch(a.b, b.b)};
}

// True-colour pixels, top row first; a pixel never painted stays transparent.
class Canvas {
public:
    Canvas(int width, int height) : w_(width), h_(height), px_(size_t(width) * height) {}
    int Width() const { return w_; }
    int Height() const { return h_; }
    bool Inside(int x, int y) const { return x >= 0 && y >= 0 && x < w_ && y < h_; }
    void Set(int x, int y, Rgb c) {
        if (Inside(x, y)) px_[size_t(y) * w_ + x] = c;
    }
    void Clear(int x, int y) {
        if (Inside(x, y)) px_[size_t(y) * w_ + x].reset();
    }
    std::optional<Rgb> At(int x, int y) const { return Inside(x, y) ? px_[size_t(y) * w_ + x] : std::nullopt; }
    // Paints every pixel in [x0, x1] x [y0, y1] (inclusive) with colour(x, y).
    void FillRect(int x0, int y0, int x1, int y1, const std::function<Rgb(int, int)>& colour) {
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) Set(x, y, colour(x, y));
    }
    void FillRect(int x0, int y0, int x1, int y1, Rgb c) {
        FillRect(x0, y0, x1, y1, [c](int, int) { return c; });
    }

private:
    int w_, h_;
    std::vector<std::optional<Rgb>> px_;
};

// Pixels as palette indices plus the transparency mask of icons and cursors.
struct IndexedImage {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;            // 1, 4 or 8
    std::vector<Rgb> palette;        // exactly 1 << bitsPerPixel entries
    std::vector<uint8_t> index;      // top row first
    std::vector<uint8_t> transparent;  // 1: the screen shows through (AND mask bit)
};

// Indexes a canvas with a palette of its own colours; transparent pixels use entry 0 (black,
// as the AND/XOR rule wants). Throws when the canvas holds more colours than the depth allows.
inline IndexedImage Index(const Canvas& canvas, int bitsPerPixel) {
    IndexedImage img;
    img.width = canvas.Width();
    img.height = canvas.Height();
    img.bitsPerPixel = bitsPerPixel;
    const size_t capacity = size_t(1) << bitsPerPixel;
    img.palette.push_back(Rgb{0, 0, 0});
    std::map<Rgb, uint8_t> lookup{{Rgb{0, 0, 0}, 0}};
    for (int y = 0; y < img.height; ++y) {
        for (int x = 0; x < img.width; ++x) {
            const auto c = canvas.At(x, y);
            img.transparent.push_back(c ? 0 : 1);
            if (!c) {
                img.index.push_back(0);
                continue;
            }
            auto it = lookup.find(*c);
            if (it == lookup.end()) {
                if (img.palette.size() == capacity)
                    throw std::runtime_error("too many colours for " + std::to_string(bitsPerPixel) + " bpp");
                it = lookup.emplace(*c, static_cast<uint8_t>(img.palette.size())).first;
                img.palette.push_back(*c);
            }
            img.index.push_back(it->second);
        }
    }
    img.palette.resize(capacity, Rgb{0, 0, 0});
    return img;
}

inline size_t RowBytes(int width, int bitsPerPixel) { return ((size_t(width) * bitsPerPixel + 31) / 32) * 4; }

// The image as stored inside .ico and .cur files: a BITMAPINFOHEADER of double height, the
// palette, the colour (XOR) rows and the AND mask rows, both bottom row first.
inline std::vector<uint8_t> IconImage(const IndexedImage& img) {
    const size_t xorRow = RowBytes(img.width, img.bitsPerPixel);
    const size_t andRow = RowBytes(img.width, 1);
    ByteWriter w;
    w.U32(40);
    w.I32(img.width);
    w.I32(img.height * 2);
    w.U16(1);
    w.U16(img.bitsPerPixel);
    w.U32(0);  // BI_RGB
    w.U32(static_cast<uint32_t>((xorRow + andRow) * img.height));
    w.I32(0);
    w.I32(0);
    w.U32(0);
    w.U32(0);
    for (const Rgb& c : img.palette) {
        w.U8(c.b);
        w.U8(c.g);
        w.U8(c.r);
        w.U8(0);
    }
    auto packRows = [&](int bits, size_t rowBytes, auto value) {
        for (int y = img.height - 1; y >= 0; --y) {
            std::vector<uint8_t> row(rowBytes, 0);
            for (int x = 0; x < img.width; ++x) {
                const unsigned v = value(size_t(y) * img.width + x);
                const size_t bit = size_t(x) * bits;
                row[bit / 8] |= static_cast<uint8_t>(v << (8 - bits - bit % 8));
            }
            w.Append(row);
        }
    };
    packRows(img.bitsPerPixel, xorRow, [&](size_t i) { return img.index[i]; });
    packRows(1, andRow, [&](size_t i) { return img.transparent[i]; });
    return w.Bytes();
}

// An .ico (hotSpots empty) or .cur file (one hot spot per image) holding the images in order.
inline std::vector<uint8_t> IconFile(const std::vector<IndexedImage>& images,
                                     const std::vector<std::pair<int, int>>& hotSpots = {}) {
    const bool cursor = !hotSpots.empty();
    if (cursor && hotSpots.size() != images.size()) throw std::invalid_argument("one hot spot per image");
    std::vector<std::vector<uint8_t>> blobs;
    for (const auto& img : images) blobs.push_back(IconImage(img));
    ByteWriter w;
    w.U16(0);
    w.U16(cursor ? 2 : 1);
    w.U16(static_cast<unsigned>(images.size()));
    uint32_t offset = static_cast<uint32_t>(6 + 16 * images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        const auto& img = images[i];
        w.U8(img.width >= 256 ? 0 : img.width);
        w.U8(img.height >= 256 ? 0 : img.height);
        w.U8(img.bitsPerPixel >= 8 ? 0 : 1u << img.bitsPerPixel);
        w.U8(0);
        if (cursor) {
            w.U16(hotSpots[i].first);
            w.U16(hotSpots[i].second);
        } else {
            w.U16(1);
            w.U16(img.bitsPerPixel);
        }
        w.U32(static_cast<uint32_t>(blobs[i].size()));
        w.U32(offset);
        offset += static_cast<uint32_t>(blobs[i].size());
    }
    for (const auto& b : blobs) w.Append(b);
    return w.Bytes();
}

// A 24-bit .bmp file of the canvas (transparent pixels become black).
inline std::vector<uint8_t> BmpFile24(const Canvas& canvas) {
    const size_t row = RowBytes(canvas.Width(), 24);
    const uint32_t pixelBytes = static_cast<uint32_t>(row * canvas.Height());
    ByteWriter f;
    f.U8('B');
    f.U8('M');
    f.U32(14 + 40 + pixelBytes);
    f.U16(0);
    f.U16(0);
    f.U32(14 + 40);
    f.U32(40);
    f.I32(canvas.Width());
    f.I32(canvas.Height());
    f.U16(1);
    f.U16(24);
    f.U32(0);
    f.U32(pixelBytes);
    f.I32(3780);  // 96 dpi in pixels per metre
    f.I32(3780);
    f.U32(0);
    f.U32(0);
    for (int y = canvas.Height() - 1; y >= 0; --y) {
        std::vector<uint8_t> bytes(row, 0);
        for (int x = 0; x < canvas.Width(); ++x) {
            const Rgb c = canvas.At(x, y).value_or(Rgb{});
            bytes[3 * x] = c.b;
            bytes[3 * x + 1] = c.g;
            bytes[3 * x + 2] = c.r;
        }
        f.Append(bytes);
    }
    return f.Bytes();
}

}  // namespace gen
