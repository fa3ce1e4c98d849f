#pragma once
// Writes silent AVI clips (one video stream) from frames of palette indexes: 8-bit
// uncompressed, RLE8 (every frame after the first holding only its changes) or 24-bit.

#include <cstdint>
#include <vector>

namespace gen {

// A clip as drawn: frames of width * height palette indexes, top row first. Palette entries
// are 0xRRGGBB; entry 0 is the colour that players may replace with their background.
struct IndexedClip {
    int width = 0;
    int height = 0;
    std::uint32_t microsPerFrame = 0;
    std::vector<std::uint32_t> palette;  // at most 256 entries
    std::vector<std::vector<std::uint8_t>> frames;
};

enum class AviEncoding { Pal8, Rle8, Rgb24 };

struct AviWriteOptions {
    AviEncoding encoding = AviEncoding::Rle8;
    bool index = true;       // append an idx1 index
    bool recLists = false;   // wrap each frame chunk in a LIST 'rec '
};

// The whole file. The clip must be consistent (sizes, palette of 1..256 entries).
std::vector<std::uint8_t> WriteAvi(const IndexedClip& clip, const AviWriteOptions& options = {});

// The whole file around frame chunks coded elsewhere; `clip` gives the size, rate and palette.
std::vector<std::uint8_t> WriteAviChunks(const IndexedClip& clip,
                                         const std::vector<std::vector<std::uint8_t>>& chunks,
                                         const AviWriteOptions& options = {});

// One RLE8 frame (bottom row first, as stored). With `previous`, only the pixels that differ
// from it are coded, the rest skipped with delta and end-of-line codes.
std::vector<std::uint8_t> EncodeRle8(int width, int height, const std::uint8_t* frame,
                                     const std::uint8_t* previous);

}  // namespace gen
