#include "core/avi_clip.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace core {
namespace {

constexpr std::uint32_t kMinMicrosPerFrame = 1000;        // 1000 frames a second
constexpr std::uint32_t kMaxMicrosPerFrame = 10'000'000;  // one frame every 10 s
constexpr int kMaxListDepth = 2;                          // movi > rec > chunk

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}

std::uint16_t U16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

bool IsFourCc(const std::uint8_t* p, const char (&code)[5]) {
    return std::memcmp(p, code, 4) == 0;
}

std::uint32_t Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return kAviOpaque | std::uint32_t{r} << 16 | std::uint32_t{g} << 8 | b;
}

// The chunks of a byte range, each bounded by the range: a chunk whose size runs past the end
// is reported with `whole` false and ends the walk.
class ChunkWalk {
public:
    ChunkWalk(const std::vector<std::uint8_t>& file, std::size_t begin, std::size_t end)
        : file_(file), pos_(begin), end_(std::min(end, file.size())) {}

    struct Item {
        const std::uint8_t* id = nullptr;
        std::size_t data = 0;  // offset of the data in the file
        std::size_t size = 0;  // declared size, clipped to the range
        bool whole = true;
    };

    bool Next(Item& item) {
        if (pos_ >= end_ || end_ - pos_ < 8) return false;
        item.id = file_.data() + pos_;
        const std::size_t declared = U32(file_.data() + pos_ + 4);
        item.data = pos_ + 8;
        const std::size_t room = end_ - item.data;
        item.whole = declared <= room;
        item.size = item.whole ? declared : room;
        // Chunks are padded to an even size; a missing pad byte at the very end is harmless.
        pos_ = item.whole ? item.data + declared + (declared & 1) : end_;
        return true;
    }

private:
    const std::vector<std::uint8_t>& file_;
    std::size_t pos_;
    std::size_t end_;
};

bool IsList(const ChunkWalk::Item& item, const std::uint8_t* file, const char (&type)[5]) {
    return IsFourCc(item.id, "LIST") && item.size >= 4 && IsFourCc(file + item.data, type);
}

struct StreamInfo {
    bool found = false;
    int number = 0;
    std::uint32_t microsFromRate = 0;
    std::size_t format = 0;  // offset and size of the BITMAPINFOHEADER and its palette
    std::size_t formatSize = 0;
};

std::uint32_t MicrosFromRate(std::uint32_t scale, std::uint32_t rate) {
    if (scale == 0 || rate == 0) return 0;
    const std::uint64_t micros = std::uint64_t{scale} * 1'000'000u / rate;
    return micros <= kMaxMicrosPerFrame ? static_cast<std::uint32_t>(micros) : 0;
}

bool InRange(std::uint32_t micros) {
    return micros >= kMinMicrosPerFrame && micros <= kMaxMicrosPerFrame;
}

// The time between frames: the main header's, else the stream's rate's; 0 when neither is usable.
std::uint32_t FrameMicros(std::uint32_t fromMain, std::uint32_t fromRate) {
    if (InRange(fromMain)) return fromMain;
    return InRange(fromRate) ? fromRate : 0;
}

bool IsAvi(const std::vector<std::uint8_t>& file) {
    return file.size() >= 12 && IsFourCc(file.data(), "RIFF") && IsFourCc(file.data() + 8, "AVI ");
}

// What the top level of a file holds: the main header's frame time, the first video stream, and
// where the movi list and the index lie.
struct Layout {
    bool haveMain = false;
    std::uint32_t mainMicros = 0;
    StreamInfo stream;
    std::size_t movi = 0, moviEnd = 0;  // list data, starting at its 'movi' type code
    std::size_t index = 0, indexSize = 0;
};

// Stream `number`'s 'strl' list: found when it holds a video stream header and then its format.
StreamInfo ReadStreamList(const std::vector<std::uint8_t>& file, const ChunkWalk::Item& list, int number) {
    const std::uint8_t* bytes = file.data();
    StreamInfo stream;
    bool video = false;
    std::uint32_t micros = 0;
    ChunkWalk parts(file, list.data + 4, list.data + list.size);
    for (ChunkWalk::Item s; parts.Next(s);) {
        if (IsFourCc(s.id, "strh") && s.whole && s.size >= 28) {
            video = IsFourCc(bytes + s.data, "vids");
            micros = MicrosFromRate(U32(bytes + s.data + 20), U32(bytes + s.data + 24));
        } else if (IsFourCc(s.id, "strf") && s.whole && video) {
            stream = {true, number, micros, s.data, s.size};
        }
    }
    return stream;
}

// The 'hdrl' list: the main header and the first stream list that holds video.
void ReadHeaderList(const std::vector<std::uint8_t>& file, const ChunkWalk::Item& list, Layout& layout) {
    ChunkWalk headers(file, list.data + 4, list.data + list.size);
    int streamNumber = 0;
    for (ChunkWalk::Item h; headers.Next(h);) {
        if (IsFourCc(h.id, "avih") && h.whole && h.size >= 4) {
            layout.haveMain = true;
            layout.mainMicros = U32(file.data() + h.data);
        } else if (IsList(h, file.data(), "strl")) {
            if (!layout.stream.found) layout.stream = ReadStreamList(file, h, streamNumber);
            ++streamNumber;
        }
    }
}

Layout ReadLayout(const std::vector<std::uint8_t>& file, std::size_t riffEnd) {
    Layout layout;
    ChunkWalk top(file, 12, riffEnd);
    for (ChunkWalk::Item item; top.Next(item);) {
        if (IsList(item, file.data(), "hdrl") && !layout.haveMain) {
            ReadHeaderList(file, item, layout);
        } else if (IsList(item, file.data(), "movi") && layout.movi == 0) {
            layout.movi = item.data;
            layout.moviEnd = item.data + item.size;
        } else if (IsFourCc(item.id, "idx1") && layout.index == 0) {
            layout.index = item.data;
            layout.indexSize = item.size;
        }
    }
    return layout;
}

// A chunk id of stream `stream`'s frames: "NNdb" or "NNdc".
bool IsFrameOf(const std::uint8_t* id, int stream) {
    return id[0] == '0' + stream / 10 && id[1] == '0' + stream % 10 && id[2] == 'd' &&
           (id[3] == 'b' || id[3] == 'c');
}

// Where the chunk of an index entry starts: its offset counts from the 'movi' code or from the
// file start, whichever finds a whole chunk with the entry's id and size there.
std::optional<std::size_t> IndexedChunk(const std::vector<std::uint8_t>& file, const std::uint8_t* entry,
                                        std::size_t movi) {
    const std::size_t size = U32(entry + 12);
    for (std::size_t base : {movi, std::size_t{0}}) {
        const std::size_t at = base + U32(entry + 8);
        if (at < base || at > file.size() || file.size() - at < 8) continue;
        if (std::memcmp(file.data() + at, entry, 4) != 0 || U32(file.data() + at + 4) != size) continue;
        if (file.size() - at - 8 < size) continue;
        return at;
    }
    return std::nullopt;
}

}  // namespace

AviStatus AviClip::Load(std::vector<std::uint8_t> file) {
    *this = AviClip{};
    if (!IsAvi(file)) return AviStatus::NotAvi;
    // A truncated file keeps the frames that it still holds whole.
    const std::size_t riffEnd = std::min<std::size_t>(8 + std::size_t{U32(file.data() + 4)}, file.size());
    const Layout layout = ReadLayout(file, riffEnd);
    if (!layout.haveMain || !layout.stream.found || layout.stream.number > 99) return AviStatus::Malformed;
    const AviStatus format = ReadFormat(file.data() + layout.stream.format, layout.stream.formatSize);
    if (format != AviStatus::Ok) return format;
    microsPerFrame_ = FrameMicros(layout.mainMicros, layout.stream.microsFromRate);
    if (microsPerFrame_ == 0) return AviStatus::Malformed;

    const int stream = layout.stream.number;
    bool fits = layout.movi == 0 || ScanFrames(file, layout.movi + 4, layout.moviEnd, 1, stream);
    // Without frames in the movi list (its size left unset by a writer that stopped early, say),
    // the index may still find them.
    if (fits && frames_.empty() && layout.index != 0) {
        fits = IndexFrames(file, layout.index, layout.indexSize, layout.movi, stream);
    }
    if (!fits) {
        frames_.clear();
        return AviStatus::TooLarge;
    }
    if (frames_.empty()) return AviStatus::NoFrames;
    file_ = std::move(file);
    return AviStatus::Ok;
}

AviStatus AviClip::ReadFormat(const std::uint8_t* info, std::size_t formatSize) {
    if (formatSize < 40) return AviStatus::Malformed;
    const std::uint32_t infoSize = U32(info);
    const auto width = static_cast<std::int32_t>(U32(info + 4));
    const auto height = static_cast<std::int32_t>(U32(info + 8));
    const std::uint16_t bitCount = U16(info + 14);
    const std::uint32_t compression = U32(info + 16);
    const std::uint32_t colorsUsed = U32(info + 32);
    if (infoSize < 40 || infoSize > formatSize) return AviStatus::Malformed;
    if (compression == 0 && bitCount == 8) format_ = AviFormat::Pal8;
    else if (compression == 0 && bitCount == 24) format_ = AviFormat::Rgb24;
    else if (compression == 1 && bitCount == 8) format_ = AviFormat::Rle8;
    else return AviStatus::UnsupportedFormat;
    if (width <= 0 || height == 0 || height == INT32_MIN) return AviStatus::Malformed;
    if (height < 0 && format_ == AviFormat::Rle8) return AviStatus::Malformed;  // always bottom-up
    if (width > kAviMaxSide || height > kAviMaxSide || -height > kAviMaxSide) return AviStatus::TooLarge;
    width_ = width;
    height_ = height < 0 ? -height : height;
    topDown_ = height < 0;
    if (format_ == AviFormat::Rgb24) return AviStatus::Ok;

    // The palette of an 8-bit format follows the header.
    if (colorsUsed > 256) return AviStatus::Malformed;
    const std::size_t declared = colorsUsed == 0 ? 256 : colorsUsed;
    ReadPalette(info + infoSize, std::min(declared, (formatSize - infoSize) / 4));
    return AviStatus::Ok;
}

void AviClip::ReadPalette(const std::uint8_t* entries, std::size_t count) {
    palette_.fill(kAviOpaque);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* q = entries + 4 * i;  // RGBQUAD: blue, green, red, reserved
        palette_[i] = Rgb(q[2], q[1], q[0]);
    }
    palette_[0] &= ~kAviOpaque;
}

bool AviClip::AddFrame(std::size_t data, std::size_t size) {
    if (frames_.size() >= kAviMaxFrames) return false;
    frames_.push_back({data, size});
    return true;
}

bool AviClip::ScanFrames(const std::vector<std::uint8_t>& file, std::size_t begin, std::size_t end, int depth,
                         int stream) {
    ChunkWalk walk(file, begin, end);
    for (ChunkWalk::Item item; walk.Next(item);) {
        if (IsFrameOf(item.id, stream)) {
            if (!item.whole) return true;
            if (!AddFrame(item.data, item.size)) return false;
        } else if (depth < kMaxListDepth && IsList(item, file.data(), "rec ")) {
            if (!ScanFrames(file, item.data + 4, item.data + item.size, depth + 1, stream)) return false;
        }
    }
    return true;
}

bool AviClip::IndexFrames(const std::vector<std::uint8_t>& file, std::size_t index, std::size_t indexSize,
                          std::size_t movi, int stream) {
    for (std::size_t e = 0; e + 16 <= indexSize; e += 16) {
        const std::uint8_t* entry = file.data() + index + e;
        if (!IsFrameOf(entry, stream)) continue;
        const std::optional<std::size_t> at = IndexedChunk(file, entry, movi);
        if (at && !AddFrame(*at + 8, U32(entry + 12))) return false;
    }
    return true;
}

AviFrameDecoder::AviFrameDecoder(const AviClip& clip) : clip_(clip) {}

void AviFrameDecoder::Reset() {
    const std::uint32_t blank = clip_.format_ == AviFormat::Rgb24 ? kAviOpaque : clip_.palette_[0];
    pixels_.assign(static_cast<std::size_t>(clip_.width_) * static_cast<std::size_t>(clip_.height_),
                   blank);
}

bool AviFrameDecoder::Seek(std::size_t index) {
    if (index >= clip_.FrameCount()) return false;
    if (started_ && index == current_) return true;
    bool ok = true;
    if (!started_ || index < current_) {
        Reset();
        current_ = 0;
        started_ = true;
        ok = DecodeNext();
    }
    while (current_ < index) {
        ++current_;
        ok = DecodeNext() && ok;
    }
    return ok;
}

std::uint32_t* AviFrameDecoder::Row(int row) {
    const int y = clip_.topDown_ ? row : clip_.height_ - 1 - row;
    return pixels_.data() + static_cast<std::size_t>(y) * static_cast<std::size_t>(clip_.width_);
}

bool AviFrameDecoder::DecodeNext() {
    const AviClip::Chunk chunk = clip_.frames_[current_];
    // An empty chunk repeats the previous frame.
    if (chunk.size == 0) return true;
    const std::uint8_t* data = clip_.file_.data() + chunk.offset;
    switch (clip_.format_) {
    case AviFormat::Pal8: return DecodePal8(data, chunk.size);
    case AviFormat::Rgb24: return DecodeRgb24(data, chunk.size);
    case AviFormat::Rle8: return DecodeRle8(data, chunk.size);
    }
    return false;
}

bool AviFrameDecoder::DecodePal8(const std::uint8_t* data, std::size_t size) {
    const std::size_t width = static_cast<std::size_t>(clip_.width_);
    const std::size_t stride = (width + 3) & ~std::size_t{3};
    for (int row = 0; row < clip_.height_; ++row) {
        const std::size_t at = static_cast<std::size_t>(row) * stride;
        if (at > size || size - at < width) return false;
        std::uint32_t* out = Row(row);
        for (std::size_t x = 0; x < width; ++x) out[x] = clip_.palette_[data[at + x]];
    }
    return true;
}

bool AviFrameDecoder::DecodeRgb24(const std::uint8_t* data, std::size_t size) {
    const std::size_t width = static_cast<std::size_t>(clip_.width_);
    const std::size_t stride = (3 * width + 3) & ~std::size_t{3};
    for (int row = 0; row < clip_.height_; ++row) {
        const std::size_t at = static_cast<std::size_t>(row) * stride;
        if (at > size || size - at < 3 * width) return false;
        std::uint32_t* out = Row(row);
        const std::uint8_t* in = data + at;  // blue, green, red
        for (std::size_t x = 0; x < width; ++x, in += 3) out[x] = Rgb(in[2], in[1], in[0]);
    }
    return true;
}

// Run-length pairs (count, index); escapes after a zero count: 0 end of line, 1 end of bitmap,
// 2 move right and up by the next two bytes, 3..255 that many literal indexes padded to a word.
// Pixels that fall outside the frame are dropped; lines never wrap.
bool AviFrameDecoder::DecodeRle8(const std::uint8_t* data, std::size_t size) {
    const int width = clip_.width_;
    const int height = clip_.height_;
    const auto& palette = clip_.palette_;
    int x = 0, y = 0;
    std::size_t p = 0;
    auto put = [&](std::uint8_t index) {
        if (x < width) Row(y)[x++] = palette[index];
    };
    while (p < size) {
        if (size - p < 2) return false;
        const std::uint8_t count = data[p], value = data[p + 1];
        p += 2;
        if (count > 0) {
            for (int i = 0; i < count && x < width; ++i) put(value);
            continue;
        }
        switch (value) {
        case 0:
            x = 0;
            if (++y >= height) return true;
            break;
        case 1:
            return true;
        case 2:
            if (size - p < 2) return false;
            x = std::min(width, x + data[p]);
            y += data[p + 1];
            p += 2;
            if (y >= height) return true;
            break;
        default: {
            const std::size_t n = value;
            if (size - p < n) {
                for (std::size_t i = p; i < size; ++i) put(data[i]);
                return false;
            }
            for (std::size_t i = 0; i < n; ++i) put(data[p + i]);
            p += n + (n & 1);
            break;
        }
        }
    }
    // The last line may end the data without an end-of-bitmap code.
    return true;
}

}  // namespace core
