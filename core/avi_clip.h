#pragma once
// A reader for silent AVI clips held in memory: RIFF 'AVI ' files whose first video stream holds
// 8-bit paletted, 24-bit or RLE8 frames. It trusts nothing in the file: every size and offset is
// checked, so a truncated or hostile file gives an error, never a crash or a huge allocation.
// Not only the RLE8 shipped: a clip put in its place plays as in Windows' animation control.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace core {

enum class AviStatus {
    Ok,
    NotAvi,             // no RIFF 'AVI ' header
    Malformed,          // a required header is missing, truncated or inconsistent
    UnsupportedFormat,  // the video stream is neither 8-bit, 24-bit nor RLE8
    TooLarge,           // the frame or the frame count exceeds the limits below
    NoFrames,           // the stream has no frame
};

enum class AviFormat { Pal8, Rle8, Rgb24 };

// Limits beyond which a clip is refused.
inline constexpr int kAviMaxSide = 4096;
inline constexpr std::size_t kAviMaxFrames = 10000;

// Pixels are 0xAARRGGBB words (BGRA bytes in memory), top row first. Alpha 0 marks the
// transparent colour (palette index 0 of 8-bit clips); every other pixel has alpha 255.
inline constexpr std::uint32_t kAviOpaque = 0xFF000000u;

class AviClip {
public:
    // Parses a whole file; on failure the clip stays empty (FrameCount() == 0).
    [[nodiscard]] AviStatus Load(std::vector<std::uint8_t> file);

    int Width() const { return width_; }
    int Height() const { return height_; }
    AviFormat Format() const { return format_; }
    // The nominal time between frames, from the main header (or the stream's rate if that is unset).
    std::uint32_t MicrosPerFrame() const { return microsPerFrame_; }
    std::size_t FrameCount() const { return frames_.size(); }
    // 256 entries in pixel form (alpha 255, entry 0 with alpha 0); black where the file has none.
    const std::array<std::uint32_t, 256>& Palette() const { return palette_; }

private:
    struct Chunk {
        std::size_t offset = 0;  // of the data, within the file
        std::size_t size = 0;
    };

    // The stream's BITMAPINFOHEADER of `size` bytes, with the palette after it.
    AviStatus ReadFormat(const std::uint8_t* info, std::size_t size);
    // `count` RGBQUAD entries; the rest stays black.
    void ReadPalette(const std::uint8_t* entries, std::size_t count);
    // False when the clip already holds the most frames it may.
    bool AddFrame(std::size_t data, std::size_t size);
    // Stream `stream`'s frames in [begin, end) of the file and in the 'rec ' lists inside, in file
    // order (a list `depth` deep); false past the frame limit.
    bool ScanFrames(const std::vector<std::uint8_t>& file, std::size_t begin, std::size_t end, int depth,
                    int stream);
    // The frames an idx1 index of `indexSize` bytes at `index` names; false past the frame limit.
    bool IndexFrames(const std::vector<std::uint8_t>& file, std::size_t index, std::size_t indexSize,
                     std::size_t movi, int stream);

    std::vector<std::uint8_t> file_;
    std::vector<Chunk> frames_;
    std::array<std::uint32_t, 256> palette_{};
    int width_ = 0;
    int height_ = 0;
    bool topDown_ = false;
    AviFormat format_ = AviFormat::Pal8;
    std::uint32_t microsPerFrame_ = 0;

    friend class AviFrameDecoder;
};

// Draws a clip's frames in order onto one canvas, so that frames holding only the changes from
// the previous one (RLE8 deltas, empty chunks) come out whole. The clip must outlive it.
class AviFrameDecoder {
public:
    explicit AviFrameDecoder(const AviClip& clip);

    // Makes Pixels() show frame `index` (< FrameCount), decoding forward from the current frame,
    // or from frame 0 on a blank canvas when going back. Returns false if a frame on the way was
    // damaged; what it held up to the damage is drawn, the rest keeps the previous pixels.
    bool Seek(std::size_t index);
    std::size_t Current() const { return current_; }
    // Width * Height pixels, top row first.
    const std::vector<std::uint32_t>& Pixels() const { return pixels_; }

private:
    void Reset();
    bool DecodeNext();
    bool DecodePal8(const std::uint8_t* data, std::size_t size);
    bool DecodeRgb24(const std::uint8_t* data, std::size_t size);
    bool DecodeRle8(const std::uint8_t* data, std::size_t size);
    // The canvas row for the file's row `row` (counted from the first row stored).
    std::uint32_t* Row(int row);

    const AviClip& clip_;
    std::vector<std::uint32_t> pixels_;
    std::size_t current_ = 0;
    bool started_ = false;
};

}  // namespace core
