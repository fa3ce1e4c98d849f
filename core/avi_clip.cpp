#include "core/avi_clip.h"

#include <algorithm>
#include <cstring>
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

}  // namespace

AviStatus AviClip::Load(std::vector<std::uint8_t> file) {
    *this = AviClip{};
    if (file.size() < 12 || !IsFourCc(file.data(), "RIFF") || !IsFourCc(file.data() + 8, "AVI "))
        return AviStatus::NotAvi;
    const std::uint8_t* bytes = file.data();
    // A truncated file keeps the frames that it still holds whole.
    const std::size_t riffEnd = std::min<std::size_t>(8 + std::size_t{U32(bytes + 4)}, file.size());

    bool haveMain = false;
    std::uint32_t mainMicros = 0;
    StreamInfo stream;
    std::size_t movi = 0, moviEnd = 0;  // list data, starting at its 'movi' type code
    std::size_t index = 0, indexSize = 0;

    ChunkWalk top(file, 12, riffEnd);
    for (ChunkWalk::Item item; top.Next(item);) {
        if (IsList(item, bytes, "hdrl") && !haveMain) {
            ChunkWalk headers(file, item.data + 4, item.data + item.size);
            int streamNumber = 0;
            for (ChunkWalk::Item h; headers.Next(h);) {
                if (IsFourCc(h.id, "avih") && h.whole && h.size >= 4) {
                    haveMain = true;
                    mainMicros = U32(bytes + h.data);
                } else if (IsList(h, bytes, "strl")) {
                    if (!stream.found) {
                        bool video = false;
                        std::uint32_t micros = 0;
                        ChunkWalk parts(file, h.data + 4, h.data + h.size);
                        for (ChunkWalk::Item s; parts.Next(s);) {
                            if (IsFourCc(s.id, "strh") && s.whole && s.size >= 28) {
                                video = IsFourCc(bytes + s.data, "vids");
                                micros = MicrosFromRate(U32(bytes + s.data + 20), U32(bytes + s.data + 24));
                            } else if (IsFourCc(s.id, "strf") && s.whole && video) {
                                stream = {true, streamNumber, micros, s.data, s.size};
                            }
                        }
                    }
                    ++streamNumber;
                }
            }
        } else if (IsList(item, bytes, "movi") && movi == 0) {
            movi = item.data;
            moviEnd = item.data + item.size;
        } else if (IsFourCc(item.id, "idx1") && index == 0) {
            index = item.data;
            indexSize = item.size;
        }
    }
    if (!haveMain || !stream.found || stream.number > 99) return AviStatus::Malformed;

    // BITMAPINFOHEADER, then the palette of an 8-bit format.
    const std::uint8_t* info = bytes + stream.format;
    if (stream.formatSize < 40) return AviStatus::Malformed;
    const std::uint32_t infoSize = U32(info);
    const auto width = static_cast<std::int32_t>(U32(info + 4));
    const auto height = static_cast<std::int32_t>(U32(info + 8));
    const std::uint16_t bitCount = U16(info + 14);
    const std::uint32_t compression = U32(info + 16);
    const std::uint32_t colorsUsed = U32(info + 32);
    if (infoSize < 40 || infoSize > stream.formatSize) return AviStatus::Malformed;
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

    if (format_ != AviFormat::Rgb24) {
        if (colorsUsed > 256) return AviStatus::Malformed;
        const std::size_t declared = colorsUsed == 0 ? 256 : colorsUsed;
        const std::size_t present = std::min(declared, (stream.formatSize - infoSize) / 4);
        palette_.fill(kAviOpaque);
        for (std::size_t i = 0; i < present; ++i) {
            const std::uint8_t* q = info + infoSize + 4 * i;  // RGBQUAD: blue, green, red, reserved
            palette_[i] = Rgb(q[2], q[1], q[0]);
        }
        palette_[0] &= ~kAviOpaque;
    }

    if (InRange(mainMicros)) microsPerFrame_ = mainMicros;
    else if (InRange(stream.microsFromRate)) microsPerFrame_ = stream.microsFromRate;
    else return AviStatus::Malformed;

    const std::uint8_t digits[2] = {static_cast<std::uint8_t>('0' + stream.number / 10),
                                    static_cast<std::uint8_t>('0' + stream.number % 10)};
    auto isFrame = [&](const std::uint8_t* id) {
        return id[0] == digits[0] && id[1] == digits[1] && id[2] == 'd' &&
               (id[3] == 'b' || id[3] == 'c');
    };
    auto addFrame = [&](std::size_t data, std::size_t size) {
        if (frames_.size() >= kAviMaxFrames) return false;
        frames_.push_back({data, size});
        return true;
    };

    // The frames in file order, from the movi list and the 'rec ' lists inside it.
    bool tooMany = false;
    auto scan = [&](auto& self, std::size_t begin, std::size_t end, int depth) -> void {
        ChunkWalk walk(file, begin, end);
        for (ChunkWalk::Item item; !tooMany && walk.Next(item);) {
            if (isFrame(item.id)) {
                if (!item.whole) return;
                tooMany = !addFrame(item.data, item.size);
            } else if (depth < kMaxListDepth && IsList(item, bytes, "rec ")) {
                self(self, item.data + 4, item.data + item.size, depth + 1);
            }
        }
    };
    if (movi != 0) scan(scan, movi + 4, moviEnd, 1);

    // Without frames in the movi list (its size left unset by a writer that stopped early, say),
    // the index may still find them: its offsets count from the 'movi' code, or from the file start.
    if (frames_.empty() && !tooMany && index != 0) {
        for (std::size_t e = 0; e + 16 <= indexSize && !tooMany; e += 16) {
            const std::uint8_t* entry = bytes + index + e;
            if (!isFrame(entry)) continue;
            const std::size_t size = U32(entry + 12);
            for (std::size_t base : {movi, std::size_t{0}}) {
                const std::size_t at = base + U32(entry + 8);
                if (at < base || at > file.size() || file.size() - at < 8) continue;
                if (std::memcmp(bytes + at, entry, 4) != 0 || U32(bytes + at + 4) != size) continue;
                if (file.size() - at - 8 < size) continue;
                tooMany = !addFrame(at + 8, size);
                break;
            }
        }
    }
    if (tooMany) {
        frames_.clear();
        return AviStatus::TooLarge;
    }
    if (frames_.empty()) return AviStatus::NoFrames;
    file_ = std::move(file);
    return AviStatus::Ok;
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
