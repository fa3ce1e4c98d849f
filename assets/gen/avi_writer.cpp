#include "assets/gen/avi_writer.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace gen {
namespace {

constexpr std::uint32_t kHasIndex = 0x10;     // AVIF_HASINDEX
constexpr std::uint32_t kKeyFrame = 0x10;     // AVIIF_KEYFRAME
constexpr int kSmallestSkip = 4;              // a shorter gap is cheaper to code than to skip

class Bytes {
public:
    std::vector<std::uint8_t> data;

    void U8(std::uint32_t v) { data.push_back(static_cast<std::uint8_t>(v)); }
    void U16(std::uint32_t v) { U8(v); U8(v >> 8); }
    void U32(std::uint32_t v) { U16(v); U16(v >> 16); }
    void FourCc(const char (&code)[5]) { data.insert(data.end(), code, code + 4); }
    void Append(const std::vector<std::uint8_t>& more) {
        data.insert(data.end(), more.begin(), more.end());
    }

    // Starts a chunk (or a LIST/RIFF when `type` is given); returns where its size goes.
    std::size_t Open(const char (&id)[5], const char* type = nullptr) {
        FourCc(id);
        const std::size_t at = data.size();
        U32(0);
        if (type) data.insert(data.end(), type, type + 4);
        return at;
    }
    void Close(std::size_t sizeAt) {
        const auto size = static_cast<std::uint32_t>(data.size() - sizeAt - 4);
        for (int i = 0; i < 4; ++i) data[sizeAt + i] = static_cast<std::uint8_t>(size >> (8 * i));
        if (size & 1) U8(0);
    }
};

class RleEncoder {
public:
    explicit RleEncoder(const std::uint8_t* row) : row_(row) {}
    std::vector<std::uint8_t> out;
    int x = 0, y = 0;

    // Moves the pen forward to (tx, ty) without drawing.
    void MoveTo(int tx, int ty) {
        while (y < ty && tx < x) EndOfLine();
        while (x < tx || y < ty) {
            const int dx = std::min(tx - x, 255), dy = std::min(ty - y, 255);
            Emit({0, 2, static_cast<std::uint8_t>(dx), static_cast<std::uint8_t>(dy)});
            x += dx;
            y += dy;
        }
    }
    void EndOfLine() {
        Emit({0, 0});
        x = 0;
        ++y;
    }
    void SetRow(const std::uint8_t* row) { row_ = row; }

    // Codes the pixels [x, end) of the current row: runs of three or more as runs, the rest
    // as literal strings (a literal needs three bytes or more; shorter ones become runs of 1-2).
    void Code(int end) {
        while (x < end) {
            const int run = RunAt(x, end);
            if (run >= 3) {
                Emit({static_cast<std::uint8_t>(run), row_[x]});
                x += run;
                continue;
            }
            int stop = x;
            while (stop < end && stop - x < 255 && RunAt(stop, end) < 3) ++stop;
            const int n = stop - x;
            if (n >= 3) {
                Emit({0, static_cast<std::uint8_t>(n)});
                out.insert(out.end(), row_ + x, row_ + stop);
                if (n & 1) out.push_back(0);
            } else {
                for (int i = x; i < stop; ++i) Emit({1, row_[i]});
            }
            x = stop;
        }
    }

private:
    int RunAt(int at, int end) const {
        int n = 1;
        while (at + n < end && n < 255 && row_[at + n] == row_[at]) ++n;
        return n;
    }
    void Emit(std::initializer_list<std::uint8_t> codes) { out.insert(out.end(), codes); }

    const std::uint8_t* row_;
};

std::vector<std::uint8_t> Uncompressed(const IndexedClip& clip, const std::vector<std::uint8_t>& frame,
                                       bool rgb) {
    const std::size_t bpp = rgb ? 3 : 1;
    const std::size_t width = static_cast<std::size_t>(clip.width);
    const std::size_t stride = (bpp * width + 3) & ~std::size_t{3};
    std::vector<std::uint8_t> out(stride * static_cast<std::size_t>(clip.height), 0);
    for (int row = 0; row < clip.height; ++row) {
        const std::uint8_t* src = frame.data() + (clip.height - 1 - row) * width;
        std::uint8_t* dst = out.data() + static_cast<std::size_t>(row) * stride;
        for (std::size_t x = 0; x < width; ++x) {
            if (!rgb) {
                dst[x] = src[x];
                continue;
            }
            const std::uint32_t c = clip.palette[src[x]];
            dst[3 * x] = static_cast<std::uint8_t>(c);
            dst[3 * x + 1] = static_cast<std::uint8_t>(c >> 8);
            dst[3 * x + 2] = static_cast<std::uint8_t>(c >> 16);
        }
    }
    return out;
}

}  // namespace

std::vector<std::uint8_t> EncodeRle8(int width, int height, const std::uint8_t* frame,
                                     const std::uint8_t* previous) {
    RleEncoder rle(frame);
    for (int y = 0; y < height; ++y) {
        const std::size_t rowAt = static_cast<std::size_t>(height - 1 - y) * width;
        const std::uint8_t* row = frame + rowAt;
        const std::uint8_t* before = previous ? previous + rowAt : nullptr;
        rle.SetRow(row);
        int x = 0;
        while (x < width) {
            // The next stretch of changed pixels, bridging gaps too short to skip.
            while (x < width && before && row[x] == before[x]) ++x;
            if (x == width) break;
            int end = x;
            for (int gap = 0; end + gap < width;) {
                if (!before || row[end + gap] != before[end + gap]) {
                    end += gap + 1;
                    gap = 0;
                } else if (++gap >= kSmallestSkip) {
                    break;
                }
            }
            rle.MoveTo(x, y);
            rle.Code(end);
            x = end;
        }
    }
    rle.out.insert(rle.out.end(), {0, 1});
    return std::move(rle.out);
}

std::vector<std::uint8_t> WriteAvi(const IndexedClip& clip, const AviWriteOptions& options) {
    std::vector<std::vector<std::uint8_t>> chunks;
    for (std::size_t i = 0; i < clip.frames.size(); ++i) {
        if (options.encoding == AviEncoding::Rle8)
            chunks.push_back(EncodeRle8(clip.width, clip.height, clip.frames[i].data(),
                                        i == 0 ? nullptr : clip.frames[i - 1].data()));
        else
            chunks.push_back(Uncompressed(clip, clip.frames[i], options.encoding == AviEncoding::Rgb24));
    }
    return WriteAviChunks(clip, chunks, options);
}

std::vector<std::uint8_t> WriteAviChunks(const IndexedClip& clip,
                                         const std::vector<std::vector<std::uint8_t>>& chunks,
                                         const AviWriteOptions& options) {
    const bool rgb = options.encoding == AviEncoding::Rgb24;
    const bool rle = options.encoding == AviEncoding::Rle8;
    const auto frameCount = static_cast<std::uint32_t>(chunks.size());
    const auto paletteSize = static_cast<std::uint32_t>(rgb ? 0 : clip.palette.size());

    std::uint32_t largest = 0;
    for (const auto& c : chunks) largest = std::max(largest, static_cast<std::uint32_t>(c.size()));

    Bytes f;
    const std::size_t riff = f.Open("RIFF", "AVI ");
    const std::size_t hdrl = f.Open("LIST", "hdrl");
    const std::size_t avih = f.Open("avih");
    f.U32(clip.microsPerFrame);
    f.U32(static_cast<std::uint32_t>(
        std::uint64_t{largest} * 1'000'000u / std::max<std::uint32_t>(clip.microsPerFrame, 1)));
    f.U32(0);                                // padding granularity
    f.U32(options.index ? kHasIndex : 0);
    f.U32(frameCount);
    f.U32(0);                                // initial frames
    f.U32(1);                                // streams
    f.U32(largest);
    f.U32(static_cast<std::uint32_t>(clip.width));
    f.U32(static_cast<std::uint32_t>(clip.height));
    for (int i = 0; i < 4; ++i) f.U32(0);
    f.Close(avih);

    const std::size_t strl = f.Open("LIST", "strl");
    const std::size_t strh = f.Open("strh");
    f.FourCc("vids");
    if (rle) f.FourCc("mrle"); else f.U32(0);
    f.U32(0);                                // flags
    f.U16(0);                                // priority
    f.U16(0);                                // language
    f.U32(0);                                // initial frames
    f.U32(clip.microsPerFrame);              // scale / rate = seconds per frame
    f.U32(1'000'000);
    f.U32(0);                                // start
    f.U32(frameCount);
    f.U32(largest);
    f.U32(0xFFFFFFFFu);                      // quality: default
    f.U32(0);                                // sample size: varies
    f.U16(0);
    f.U16(0);
    f.U16(static_cast<std::uint32_t>(clip.width));
    f.U16(static_cast<std::uint32_t>(clip.height));
    f.Close(strh);

    const std::size_t strf = f.Open("strf");  // BITMAPINFOHEADER and palette
    f.U32(40);
    f.U32(static_cast<std::uint32_t>(clip.width));
    f.U32(static_cast<std::uint32_t>(clip.height));
    f.U16(1);
    f.U16(rgb ? 24 : 8);
    f.U32(rle ? 1 : 0);
    f.U32(rle ? largest : static_cast<std::uint32_t>(chunks.empty() ? 0 : chunks[0].size()));
    f.U32(0);
    f.U32(0);
    f.U32(paletteSize);
    f.U32(0);
    for (std::uint32_t i = 0; i < paletteSize; ++i) {
        const std::uint32_t c = clip.palette[i];
        f.U8(c);
        f.U8(c >> 8);
        f.U8(c >> 16);
        f.U8(0);
    }
    f.Close(strf);
    f.Close(strl);
    f.Close(hdrl);

    const std::size_t movi = f.Open("LIST", "movi");
    const std::size_t moviCode = movi + 4;  // index offsets count from here
    struct Entry { std::uint32_t offset, size; };
    std::vector<Entry> entries;
    for (const auto& chunk : chunks) {
        const std::size_t rec = options.recLists ? f.Open("LIST", "rec ") : 0;
        const std::size_t at = f.data.size();
        const std::size_t frame = rle ? f.Open("00dc") : f.Open("00db");
        f.Append(chunk);
        f.Close(frame);
        if (options.recLists) f.Close(rec);
        entries.push_back({static_cast<std::uint32_t>(at - moviCode),
                           static_cast<std::uint32_t>(chunk.size())});
    }
    f.Close(movi);

    if (options.index) {
        const std::size_t idx1 = f.Open("idx1");
        for (std::size_t i = 0; i < entries.size(); ++i) {
            f.FourCc(rle ? "00dc" : "00db");
            f.U32(!rle || i == 0 ? kKeyFrame : 0);
            f.U32(entries[i].offset);
            f.U32(entries[i].size);
        }
        f.Close(idx1);
    }
    f.Close(riff);
    return std::move(f.data);
}

}  // namespace gen
