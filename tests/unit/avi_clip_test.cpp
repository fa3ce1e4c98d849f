#include "core/avi_clip.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "assets/gen/avi_writer.h"
#include "assets/gen/clip_art.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using gen::AviEncoding;
using core::AviClip;
using core::AviFrameDecoder;
using core::AviStatus;

// A small clip whose frames move a few stripes over a background of index 0, so that frames
// share most of their pixels (RLE8 deltas skip them) and hold runs and literals alike.
gen::IndexedClip Stripes(int width, int height, int frames) {
    gen::IndexedClip clip{width, height, 50'000, {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080}, {}};
    for (int f = 0; f < frames; ++f) {
        Bytes px(static_cast<std::size_t>(width * height), 0);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                if ((x + f) % 7 < 2) px[y * width + x] = 1;
                else if (y == f % height) px[y * width + x] = static_cast<std::uint8_t>(2 + x % 3);
            }
        clip.frames.push_back(px);
    }
    return clip;
}

std::uint32_t Expected(const gen::IndexedClip& clip, std::uint8_t index, bool rgb) {
    const std::uint32_t color = clip.palette[index];
    return rgb || index != 0 ? (color | core::kAviOpaque) : color;
}

// Every frame of the file, decoded in order, equals the frame it was written from.
void ExpectFrames(const gen::IndexedClip& clip, const AviClip& avi, bool rgb = false) {
    ASSERT_EQ(avi.FrameCount(), clip.frames.size());
    AviFrameDecoder decoder(avi);
    for (std::size_t i = 0; i < clip.frames.size(); ++i) {
        ASSERT_TRUE(decoder.Seek(i)) << "frame " << i;
        for (std::size_t p = 0; p < clip.frames[i].size(); ++p)
            ASSERT_EQ(decoder.Pixels()[p], Expected(clip, clip.frames[i][p], rgb))
                << "frame " << i << " pixel " << p;
    }
}

std::size_t Find(const Bytes& file, const char* code) {
    for (std::size_t i = 0; i + 4 <= file.size(); ++i)
        if (std::memcmp(file.data() + i, code, 4) == 0) return i;
    ADD_FAILURE() << "no " << code;
    return 0;
}

void Put32(Bytes& file, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Offsets of the header fields that the tests corrupt.
std::size_t BitmapInfo(const Bytes& f) { return Find(f, "strf") + 8; }
std::size_t StreamHeader(const Bytes& f) { return Find(f, "strh") + 8; }
std::size_t MainHeader(const Bytes& f) { return Find(f, "avih") + 8; }

AviStatus Load(const Bytes& file, AviClip& clip) { return clip.Load(file); }
AviStatus Load(const Bytes& file) {
    AviClip clip;
    return clip.Load(file);
}

TEST(AviClip, EveryFormatAndLayoutReadsBackAsWritten) {
    const gen::IndexedClip clip = Stripes(13, 5, 9);  // odd width: rows are padded
    for (AviEncoding encoding : {AviEncoding::Pal8, AviEncoding::Rle8, AviEncoding::Rgb24}) {
        for (bool index : {false, true}) {
            for (bool rec : {false, true}) {
                SCOPED_TRACE(testing::Message() << "encoding " << static_cast<int>(encoding)
                                                << " index " << index << " rec " << rec);
                AviClip avi;
                ASSERT_EQ(Load(gen::WriteAvi(clip, {encoding, index, rec}), avi), AviStatus::Ok);
                EXPECT_EQ(avi.Width(), 13);
                EXPECT_EQ(avi.Height(), 5);
                EXPECT_EQ(avi.MicrosPerFrame(), 50'000u);
                ExpectFrames(clip, avi, encoding == AviEncoding::Rgb24);
            }
        }
    }
}

TEST(AviClip, ProgramClipsReadBackAndKeepMoving) {
    struct Case {
        gen::IndexedClip clip;
        int width, height;
    } cases[] = {{gen::WaitClip(), 249, 56}, {gen::AboutClip(), 36, 38}};
    for (const Case& c : cases) {
        AviClip avi;
        ASSERT_EQ(Load(gen::WriteAvi(c.clip), avi), AviStatus::Ok);
        EXPECT_EQ(avi.Format(), core::AviFormat::Rle8);
        EXPECT_EQ(avi.Width(), c.width);
        EXPECT_EQ(avi.Height(), c.height);
        EXPECT_GE(avi.MicrosPerFrame(), 1'000'000u / 16);  // 10 to 16 frames a second
        EXPECT_LE(avi.MicrosPerFrame(), 1'000'000u / 10);
        ExpectFrames(c.clip, avi);
        for (std::size_t i = 0; i < c.clip.frames.size(); ++i) {
            EXPECT_NE(c.clip.frames[i], c.clip.frames[(i + 1) % c.clip.frames.size()]) << "frame " << i;
            EXPECT_EQ(c.clip.frames[i][0], 0) << "the corner shows the background";
        }
    }
}

TEST(AviClip, SeekingBackRestartsFromTheFirstFrame) {
    const gen::IndexedClip clip = Stripes(16, 6, 12);
    AviClip avi;
    ASSERT_EQ(Load(gen::WriteAvi(clip), avi), AviStatus::Ok);
    AviFrameDecoder decoder(avi);
    for (std::size_t i : {7u, 2u, 11u, 0u, 5u}) {
        ASSERT_TRUE(decoder.Seek(i));
        EXPECT_EQ(decoder.Current(), i);
        for (std::size_t p = 0; p < clip.frames[i].size(); ++p)
            ASSERT_EQ(decoder.Pixels()[p], Expected(clip, clip.frames[i][p], false)) << i;
    }
    EXPECT_FALSE(decoder.Seek(12));
}

TEST(AviClip, TruncatedFilesKeepTheirWholeFramesAndNeverMore) {
    const gen::IndexedClip clip = Stripes(9, 4, 6);
    for (AviEncoding encoding : {AviEncoding::Rle8, AviEncoding::Pal8}) {
        const Bytes whole = gen::WriteAvi(clip, {encoding, true, false});
        const std::size_t firstFrame = Find(whole, "movi") + 4;
        for (std::size_t length = 0; length < whole.size(); ++length) {
            SCOPED_TRACE(testing::Message() << "length " << length);
            AviClip avi;
            const AviStatus status = Load(Bytes(whole.begin(), whole.begin() + length), avi);
            if (length <= firstFrame + 8) {
                EXPECT_NE(status, AviStatus::Ok);
                continue;
            }
            if (status != AviStatus::Ok) {
                EXPECT_EQ(status, AviStatus::NoFrames);  // cut inside the first frame
                continue;
            }
            ASSERT_LE(avi.FrameCount(), clip.frames.size());
            AviFrameDecoder decoder(avi);
            for (std::size_t i = 0; i < avi.FrameCount(); ++i) {
                // A frame read past the cut would show under the sanitizers (the file is held
                // in a buffer of exactly `length` bytes).
                ASSERT_TRUE(decoder.Seek(i));
                for (std::size_t p = 0; p < clip.frames[i].size(); ++p)
                    ASSERT_EQ(decoder.Pixels()[p], Expected(clip, clip.frames[i][p], false));
            }
        }
    }
}

TEST(AviClip, RefusesDamagedOrHostileHeaders) {
    const gen::IndexedClip clip = Stripes(8, 4, 3);
    const Bytes good = gen::WriteAvi(clip);
    struct Case {
        const char* what;
        std::size_t (*field)(const Bytes&);
        std::size_t offset;
        std::uint32_t value;
        AviStatus expected;
    } cases[] = {
        {"not RIFF", [](const Bytes&) { return std::size_t{0}; }, 0, 0x46464952 + 1, AviStatus::NotAvi},
        {"not AVI", [](const Bytes&) { return std::size_t{8}; }, 0, 0x45564157, AviStatus::NotAvi},
        {"info size 0", BitmapInfo, 0, 0, AviStatus::Malformed},
        {"info size past strf", BitmapInfo, 0, 4000, AviStatus::Malformed},
        {"width 0", BitmapInfo, 4, 0, AviStatus::Malformed},
        {"negative width", BitmapInfo, 4, static_cast<std::uint32_t>(-8), AviStatus::Malformed},
        {"height 0", BitmapInfo, 8, 0, AviStatus::Malformed},
        {"lowest height", BitmapInfo, 8, 0x80000000u, AviStatus::Malformed},
        {"RLE8 top-down", BitmapInfo, 8, static_cast<std::uint32_t>(-4), AviStatus::Malformed},
        {"huge width", BitmapInfo, 4, 4097, AviStatus::TooLarge},
        {"huge height", BitmapInfo, 8, 0x7FFFFFFF, AviStatus::TooLarge},
        {"16 bits", BitmapInfo, 14, 16 | (1u << 16), AviStatus::UnsupportedFormat},
        {"RLE4", BitmapInfo, 16, 2, AviStatus::UnsupportedFormat},
        {"bit fields", BitmapInfo, 16, 3, AviStatus::UnsupportedFormat},
        {"300 colours", BitmapInfo, 32, 300, AviStatus::Malformed},
        {"audio stream", StreamHeader, 0, 0x73647561, AviStatus::Malformed},
        {"no rate anywhere", MainHeader, 0, 0, AviStatus::Malformed},  // with strh rate 0 below
        {"strf past the list", [](const Bytes& f) { return Find(f, "strf") + 4; }, 0, 0xFFFFFF00u,
         AviStatus::Malformed},
        {"hdrl cut short", [](const Bytes& f) { return Find(f, "hdrl") - 4; }, 0, 4, AviStatus::Malformed},
    };
    for (const Case& c : cases) {
        Bytes bad = good;
        Put32(bad, c.field(bad) + c.offset, c.value);
        if (std::string(c.what) == "no rate anywhere") Put32(bad, StreamHeader(bad) + 24, 0);
        AviClip avi;
        EXPECT_EQ(Load(bad, avi), c.expected) << c.what;
        EXPECT_EQ(avi.FrameCount(), 0u) << c.what;
    }
    EXPECT_EQ(Load(Bytes{}), AviStatus::NotAvi);
}

TEST(AviClip, ToleratesSizesThatRunPastTheFile) {
    const gen::IndexedClip clip = Stripes(8, 4, 3);
    for (const char* list : {"RIFF", "movi"}) {
        Bytes file = gen::WriteAvi(clip);
        const std::size_t at = std::string(list) == "RIFF" ? 4 : Find(file, "movi") - 4;
        Put32(file, at, 0xFFFFFFF0u);
        AviClip avi;
        ASSERT_EQ(Load(file, avi), AviStatus::Ok) << list;
        ExpectFrames(clip, avi);
    }
}

TEST(AviClip, FrameTimeFallsBackToTheStreamRate) {
    Bytes file = gen::WriteAvi(Stripes(8, 4, 2));
    Put32(file, MainHeader(file), 0);
    Put32(file, StreamHeader(file) + 20, 1);   // scale
    Put32(file, StreamHeader(file) + 24, 25);  // rate: 25 frames a second
    AviClip avi;
    ASSERT_EQ(Load(file, avi), AviStatus::Ok);
    EXPECT_EQ(avi.MicrosPerFrame(), 40'000u);
    Put32(file, StreamHeader(file) + 20, 0xFFFFFFFFu);  // a frame every 49 days
    Put32(file, StreamHeader(file) + 24, 1);
    EXPECT_EQ(Load(file), AviStatus::Malformed);
}

TEST(AviClip, TopDownUncompressedFramesAreFlipped) {
    gen::IndexedClip clip = Stripes(8, 4, 2);
    Bytes file = gen::WriteAvi(clip, {AviEncoding::Pal8, true, false});
    Put32(file, BitmapInfo(file) + 8, static_cast<std::uint32_t>(-4));
    AviClip avi;
    ASSERT_EQ(Load(file, avi), AviStatus::Ok);
    for (auto& frame : clip.frames)  // the same bytes, now read top row first
        for (int y = 0; y < 2; ++y)
            std::swap_ranges(frame.begin() + y * 8, frame.begin() + y * 8 + 8, frame.end() - (y + 1) * 8);
    ExpectFrames(clip, avi);
}

TEST(AviClip, ShortPaletteLeavesOtherColoursBlack) {
    Bytes file = gen::WriteAvi(Stripes(8, 4, 1), {AviEncoding::Pal8, true, false});
    Put32(file, BitmapInfo(file) + 32, 2);  // two colours declared, five present
    AviClip avi;
    ASSERT_EQ(Load(file, avi), AviStatus::Ok);
    EXPECT_EQ(avi.Palette()[0], 0x102030u);  // transparent
    EXPECT_EQ(avi.Palette()[1], 0xFFFF0000u);
    EXPECT_EQ(avi.Palette()[2], core::kAviOpaque);
}

TEST(AviClip, FramesFoundThroughTheIndexWhenTheMoviListIsEmpty) {
    const gen::IndexedClip clip = Stripes(8, 4, 4);
    for (bool index : {true, false}) {
        Bytes file = gen::WriteAvi(clip, {AviEncoding::Rle8, index, false});
        Put32(file, Find(file, "movi") - 4, 4);  // the list holds only its type code
        AviClip avi;
        if (index) {
            ASSERT_EQ(Load(file, avi), AviStatus::Ok);
            ExpectFrames(clip, avi);
        } else {
            EXPECT_EQ(Load(file, avi), AviStatus::NoFrames);
        }
    }
}

TEST(AviClip, FrameCountLimit) {
    gen::IndexedClip clip{1, 1, 40'000, {0, 0xFFFFFF}, {}};
    clip.frames.assign(core::kAviMaxFrames + 1, Bytes{1});
    EXPECT_EQ(Load(gen::WriteAvi(clip)), AviStatus::TooLarge);
    clip.frames.pop_back();
    EXPECT_EQ(Load(gen::WriteAvi(clip)), AviStatus::Ok);
    clip.frames.clear();
    EXPECT_EQ(Load(gen::WriteAvi(clip)), AviStatus::NoFrames);
}

// Hand-coded frames of an 8 x 4 clip, decoded in order; rows of the result are written top row
// first, the RLE8 codes address rows from the bottom.
struct Decoded {
    std::vector<std::string> rows;
    bool ok;
};

std::vector<Decoded> DecodeChunks(const std::vector<Bytes>& chunks, AviEncoding encoding) {
    const gen::IndexedClip clip{8, 4, 40'000, {0xEEEEEE, 0x111111, 0x222222, 0x333333}, {}};
    AviClip avi;
    EXPECT_EQ(Load(gen::WriteAviChunks(clip, chunks, {encoding, true, false}), avi), AviStatus::Ok);
    std::vector<Decoded> out;
    AviFrameDecoder decoder(avi);
    for (std::size_t i = 0; i < avi.FrameCount(); ++i) {
        Decoded d{{}, decoder.Seek(i)};
        for (int y = 0; y < 4; ++y) {
            std::string row;
            for (int x = 0; x < 8; ++x) {
                const std::uint32_t px = decoder.Pixels()[y * 8 + x];
                row += px == 0xEEEEEEu ? '.' : static_cast<char>('0' + (px & 0xF));
            }
            d.rows.push_back(row);
        }
        out.push_back(d);
    }
    return out;
}

Decoded DecodeOne(const Bytes& chunk) { return DecodeChunks({chunk}, AviEncoding::Rle8).at(0); }

TEST(Rle8, RunsLinesAndEndOfBitmap) {
    const Decoded d = DecodeOne({3, 1, 0, 0, 2, 2, 0, 1, 5, 3});  // codes after the end are ignored
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.rows, (std::vector<std::string>{"........", "........", "22......", "111....."}));
}

TEST(Rle8, DeltaMovesRightAndUp) {
    const Decoded d = DecodeOne({1, 1, 0, 2, 3, 2, 2, 3, 0, 1});
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.rows, (std::vector<std::string>{"........", "....33..", "........", "1......."}));
}

TEST(Rle8, AbsoluteRunsArePaddedToAWord) {
    const Decoded d = DecodeOne({0, 3, 1, 2, 3, 0, 2, 1, 0, 0, 0, 4, 3, 2, 1, 3});
    EXPECT_TRUE(d.ok);
    EXPECT_EQ(d.rows, (std::vector<std::string>{"........", "........", "3213....", "12311..."}));
}

TEST(Rle8, PixelsPastTheEdgeAreDroppedNotWrapped) {
    const Decoded runs = DecodeOne({10, 1, 1, 2, 0, 0, 1, 3});
    EXPECT_TRUE(runs.ok);
    EXPECT_EQ(runs.rows, (std::vector<std::string>{"........", "........", "3.......", "11111111"}));
    const Decoded literal = DecodeOne({0, 2, 6, 0, 0, 5, 1, 2, 3, 1, 2, 0, 1, 3});
    EXPECT_TRUE(literal.ok);
    EXPECT_EQ(literal.rows, (std::vector<std::string>{"........", "........", "........", "......12"}));
}

TEST(Rle8, MovesPastTheTopEndTheFrame) {
    EXPECT_TRUE(DecodeOne({0, 2, 0, 9, 1, 1}).ok);
    const Decoded lines = DecodeOne({1, 1, 0, 0, 0, 0, 0, 0, 1, 2, 0, 0, 1, 3});
    EXPECT_TRUE(lines.ok);
    EXPECT_EQ(lines.rows, (std::vector<std::string>{"2.......", "........", "........", "1......."}));
}

TEST(Rle8, DamagedDataDrawsWhatCameBeforeAndReportsIt) {
    const Decoded oddTail = DecodeOne({5, 1, 0});
    EXPECT_FALSE(oddTail.ok);
    EXPECT_EQ(oddTail.rows[3], "11111...");
    const Decoded shortLiteral = DecodeOne({0, 6, 1, 2});
    EXPECT_FALSE(shortLiteral.ok);
    EXPECT_EQ(shortLiteral.rows[3], "12......");
    EXPECT_FALSE(DecodeOne({0, 2, 1}).ok);  // delta without its offsets
}

TEST(Rle8, DeltaAndEmptyFramesDrawOnThePreviousOne) {
    const auto frames = DecodeChunks({{8, 1, 0, 0, 8, 1, 0, 1}, {0, 2, 2, 1, 1, 3, 0, 1}, {}},
                                     AviEncoding::Rle8);
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1].rows, (std::vector<std::string>{"........", "........", "11311111", "11111111"}));
    EXPECT_EQ(frames[2].rows, frames[1].rows);
    EXPECT_TRUE(frames[1].ok && frames[2].ok);
}

TEST(Pal8, ShortFrameDrawsItsWholeRowsAndReportsDamage) {
    const auto frames = DecodeChunks({Bytes(8, 1), Bytes{2, 2, 2, 2, 2, 2, 2, 2, 3, 3}}, AviEncoding::Pal8);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_FALSE(frames[1].ok);
    EXPECT_EQ(frames[1].rows, (std::vector<std::string>{"........", "........", "........", "22222222"}));
    EXPECT_EQ(frames[0].rows[3], "11111111");
}

}  // namespace
