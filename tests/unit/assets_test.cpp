// Reads the generated assets back with a parser of its own and checks what the program and the
// user rely on: formats, sizes, colour depths, the pointer's hot spot, CR LF text files.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "version.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << path;
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

uint32_t U16(const Bytes& b, size_t at) { return b.at(at) | b.at(at + 1) << 8; }
uint32_t U32(const Bytes& b, size_t at) { return U16(b, at) | U16(b, at + 2) << 16; }
int32_t I32(const Bytes& b, size_t at) { return static_cast<int32_t>(U32(b, at)); }
int16_t I16(const Bytes& b, size_t at) { return static_cast<int16_t>(U16(b, at)); }
size_t Stride(int width, int bits) { return (size_t(width) * bits + 31) / 32 * 4; }

struct DirEntry {
    int width, height, colours, field4, field6;
    uint32_t size, offset;
};

// Icon and cursor directories share one layout; field4/field6 are planes/bpp for icons and the
// hot spot for cursors.
std::vector<DirEntry> Directory(const Bytes& f, unsigned type) {
    EXPECT_EQ(U16(f, 0), 0u);
    EXPECT_EQ(U16(f, 2), type);
    std::vector<DirEntry> entries;
    for (unsigned i = 0; i < U16(f, 4); ++i) {
        const size_t e = 6 + 16 * i;
        entries.push_back({f.at(e), f.at(e + 1), f.at(e + 2), int(U16(f, e + 4)), int(U16(f, e + 6)),
                           U32(f, e + 8), U32(f, e + 12)});
        EXPECT_LE(size_t(entries.back().offset) + entries.back().size, f.size());
    }
    return entries;
}

// Checks the DIB of one icon or cursor image and returns its AND mask, top row first.
std::vector<bool> CheckIconImage(const Bytes& f, const DirEntry& e, int size, int bits) {
    const size_t h = e.offset;
    EXPECT_EQ(U32(f, h), 40u);
    EXPECT_EQ(I32(f, h + 4), size);
    EXPECT_EQ(I32(f, h + 8), 2 * size);
    EXPECT_EQ(U16(f, h + 14), unsigned(bits));
    EXPECT_EQ(U32(f, h + 16), 0u);
    const size_t colours = size_t(1) << bits;
    const size_t xorStart = h + 40 + 4 * colours;
    const size_t andStart = xorStart + Stride(size, bits) * size;
    EXPECT_EQ(andStart + Stride(size, 1) * size, size_t(e.offset) + e.size);
    std::vector<bool> mask;
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x)
            mask.push_back(f.at(andStart + Stride(size, 1) * y + x / 8) >> (7 - x % 8) & 1);
    return mask;
}

TEST(ProgramIcon, HoldsA16ColourAndA256ColourImageWithTransparentCorners) {
    const Bytes f = ReadAll(TAVELIN_RES_DIR "/tavelin.ico");
    const auto entries = Directory(f, 1);
    ASSERT_EQ(entries.size(), 2u);
    const struct {
        int size, bits, colourCount;
    } expected[] = {{16, 4, 16}, {32, 8, 0}};
    for (size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].width, expected[i].size);
        EXPECT_EQ(entries[i].height, expected[i].size);
        EXPECT_EQ(entries[i].colours, expected[i].colourCount);
        EXPECT_EQ(entries[i].field4, 1);
        EXPECT_EQ(entries[i].field6, expected[i].bits);
        const auto mask = CheckIconImage(f, entries[i], expected[i].size, expected[i].bits);
        EXPECT_TRUE(mask.front()) << "top-left corner must be transparent";
        EXPECT_FALSE(mask[mask.size() / 2 + expected[i].size / 2]) << "the centre must be drawn";
    }
}

TEST(LinkPointer, IsA32x32MonochromeCursorWithItsHotSpotOnTheFingertip) {
    const Bytes f = ReadAll(TAVELIN_RES_DIR "/linkhand.cur");
    const auto entries = Directory(f, 2);
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].width, 32);
    EXPECT_EQ(entries[0].height, 32);
    EXPECT_EQ(entries[0].field4, 12);
    EXPECT_EQ(entries[0].field6, 9);
    const auto mask = CheckIconImage(f, entries[0], 32, 1);
    EXPECT_FALSE(mask[9 * 32 + 12]) << "hot spot pixel is drawn";
    EXPECT_TRUE(mask[8 * 32 + 12]) << "nothing above the fingertip";
    EXPECT_TRUE(mask[0]);
}

TEST(Photograph, Is48x60In24BitColour) {
    const Bytes f = ReadAll(TAVELIN_RES_DIR "/photo.bmp");
    ASSERT_GE(f.size(), 54u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(U32(f, 2), f.size());
    EXPECT_EQ(U32(f, 10), 54u);
    EXPECT_EQ(I32(f, 18), 48);
    EXPECT_EQ(I32(f, 22), 60);
    EXPECT_EQ(U16(f, 28), 24u);
    EXPECT_EQ(U32(f, 30), 0u);
    ASSERT_EQ(f.size(), 54 + Stride(48, 24) * 60);
    std::set<uint32_t> colours;
    for (size_t i = 54; i + 2 < f.size(); i += 3) colours.insert(f[i] | f[i + 1] << 8 | f[i + 2] << 16);
    EXPECT_GT(colours.size(), 256u) << "a photograph, not a palette picture";
}

TEST(Sound, IsAShortUnclippedPcmWave) {
    const Bytes f = ReadAll(TAVELIN_DIST_DIR "/korvane.dll");
    ASSERT_GE(f.size(), 44u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
    EXPECT_EQ(U32(f, 4), f.size() - 8);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "WAVEfmt ");
    EXPECT_EQ(U16(f, 20), 1u);  // PCM
    EXPECT_EQ(U16(f, 22), 1u);  // mono
    const uint32_t rate = U32(f, 24);
    EXPECT_EQ(rate, 22050u);
    EXPECT_EQ(U16(f, 34), 16u);
    EXPECT_EQ(std::string(f.begin() + 36, f.begin() + 40), "data");
    const uint32_t bytes = U32(f, 40);
    ASSERT_EQ(44 + bytes, f.size());
    const double seconds = bytes / 2.0 / rate;
    EXPECT_GE(seconds, 0.5);
    EXPECT_LE(seconds, 1.0);
    int peak = 0;
    for (size_t i = 44; i < f.size(); i += 2) peak = std::max(peak, std::abs(int(I16(f, i))));
    EXPECT_GT(peak, 8000) << "audible";
    EXPECT_LT(peak, 32767) << "not clipped";
    EXPECT_LT(std::abs(int(I16(f, 44))), 500) << "starts without a click";
    EXPECT_LT(std::abs(int(I16(f, f.size() - 2))), 50) << "ends at silence";
}

std::string WithCrLf(const Bytes& lf) {
    std::string out;
    for (uint8_t c : lf) {
        if (c == '\n') out += '\r';
        out += static_cast<char>(c);
    }
    return out;
}

TEST(TextFiles, AreTheSourcesWithCrLfLineEndings) {
    const std::string version = std::to_string(TAVELIN_VERSION_MAJOR) + "." + std::to_string(TAVELIN_VERSION_MINOR) +
                                "." + std::to_string(TAVELIN_VERSION_PATCH);
    const struct {
        const char* generated;
        const char* source;
        std::string firstLine;
    } files[] = {
        {TAVELIN_DIST_DIR "/gpl.txt", TAVELIN_SOURCE_DIR "/LICENSE", "                    GNU GENERAL PUBLIC LICENSE\r\n"},
        {TAVELIN_DIST_DIR "/readme.txt", TAVELIN_SOURCE_DIR "/assets/readme.txt", "Tavelin " + version + "\r\n"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.generated);
        const Bytes source = ReadAll(file.source);
        ASSERT_EQ(std::count(source.begin(), source.end(), '\r'), 0) << "sources keep LF endings";
        const Bytes generated = ReadAll(file.generated);
        EXPECT_EQ(std::string(generated.begin(), generated.end()), WithCrLf(source));
        EXPECT_EQ(std::string(generated.begin(), generated.end()).rfind(file.firstLine, 0), 0u);
    }
    const Bytes gpl = ReadAll(TAVELIN_DIST_DIR "/gpl.txt");
    EXPECT_NE(std::string(gpl.begin(), gpl.end()).find("Version 3, 29 June 2007"), std::string::npos);
}

TEST(CrLfTool, KeepsCrLfAddsTheMissingFinalLineEndAndLeavesLoneCrAlone) {
    const std::string in = testing::TempDir() + "crlf_in.txt";
    const std::string out = testing::TempDir() + "crlf_out.txt";
    {
        std::ofstream f(in, std::ios::binary);
        f << "a\nb\r\nc\rd\n\ne";
    }
    ASSERT_EQ(std::system((std::string(TAVELIN_CRLF_TOOL) + " " + in + " " + out).c_str()), 0);
    const Bytes result = ReadAll(out);
    EXPECT_EQ(std::string(result.begin(), result.end()), "a\r\nb\r\nc\rd\r\n\r\ne\r\n");
    std::remove(in.c_str());
    std::remove(out.c_str());
}

}  // namespace
