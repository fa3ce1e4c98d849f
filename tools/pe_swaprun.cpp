// Post-link step for tavelin.exe: marks the image "removable run from swap" and rewrites the PE
// checksum to match.
//
//   pe_swaprun <image>
//   pe_swaprun --check <image>    changes nothing; exit code 0 when the header's checksum is the
//                                 file's (as after signing, which rewrites it)
//
// With IMAGE_FILE_REMOVABLE_RUN_FROM_SWAP set, Windows copies the whole image to the page file
// when it starts from removable media, so pages first touched later (the About window, the
// screen effect) never have to be read from a stick that has been pulled in the meantime. GNU ld
// has no switch for the flag. A file that is not a PE image is left as it was (exit code 1).
// Marking an image twice gives the same bytes as marking it once.

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr std::uint16_t kRemovableRunFromSwap = 0x0400;
constexpr std::size_t kPeSignatureSize = 4;
constexpr std::size_t kFileHeaderSize = 20;
constexpr std::size_t kCharacteristicsOffset = 18;  // in the COFF file header
constexpr std::size_t kChecksumOffset = 64;         // in the optional header, PE32 and PE32+ alike

std::uint16_t Get16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint32_t Get32(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint32_t>(b[at]) | (static_cast<std::uint32_t>(b[at + 1]) << 8) |
           (static_cast<std::uint32_t>(b[at + 2]) << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

void Put16(std::vector<unsigned char>& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<unsigned char>(v);
    b[at + 1] = static_cast<unsigned char>(v >> 8);
}

void Put32(std::vector<unsigned char>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<unsigned char>(v >> (8 * i));
}

// The image checksum as the loader and CheckSumMappedFile compute it: the file's 16-bit words
// summed with the carries folded back in, the checksum field itself counted as zero, plus the
// file's length.
std::uint32_t PeChecksum(const std::vector<unsigned char>& b, std::size_t checksumAt) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < b.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) continue;
        const std::uint32_t word = i + 1 < b.size() ? Get16(b, i) : b[i];
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return sum + static_cast<std::uint32_t>(b.size());
}

bool Fail(const std::string& path, const char* why) {
    std::fprintf(stderr, "pe_swaprun: %s: %s\n", path.c_str(), why);
    return false;
}

// Marks the image, or with `checkOnly` tells whether its checksum holds.
bool Mark(const std::string& path, bool checkOnly) {
    std::vector<unsigned char> b;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) return Fail(path, "cannot open");
        b.assign(std::istreambuf_iterator<char>(in), {});
        if (in.bad()) return Fail(path, "cannot read");
    }
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return Fail(path, "not an MZ executable");
    const std::size_t pe = Get32(b, 0x3C);
    if (pe % 8 != 0 || pe > b.size() || b.size() - pe < kPeSignatureSize + kFileHeaderSize) {
        return Fail(path, "PE header offset out of the file");
    }
    if (b[pe] != 'P' || b[pe + 1] != 'E' || b[pe + 2] != 0 || b[pe + 3] != 0) return Fail(path, "no PE signature");
    const std::size_t fileHeader = pe + kPeSignatureSize;
    const std::size_t optional = fileHeader + kFileHeaderSize;
    const std::size_t optionalSize = Get16(b, fileHeader + 16);
    if (optionalSize < kChecksumOffset + 4 || b.size() - optional < optionalSize) {
        return Fail(path, "optional header too short");
    }
    const std::uint16_t magic = Get16(b, optional);
    if (magic != 0x10B && magic != 0x20B) return Fail(path, "unknown optional header magic");

    const std::size_t checksumAt = optional + kChecksumOffset;
    if (checkOnly) {
        if (Get32(b, checksumAt) != PeChecksum(b, checksumAt)) return Fail(path, "the checksum does not match");
        return true;
    }
    const std::size_t characteristicsAt = fileHeader + kCharacteristicsOffset;
    Put16(b, characteristicsAt, static_cast<std::uint16_t>(Get16(b, characteristicsAt) | kRemovableRunFromSwap));
    Put32(b, checksumAt, PeChecksum(b, checksumAt));

    // Only the two fields change: write them in place (the file keeps its mode and owner).
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(characteristicsAt));
    out.write(reinterpret_cast<const char*>(&b[characteristicsAt]), 2);
    out.seekp(static_cast<std::streamoff>(checksumAt));
    out.write(reinterpret_cast<const char*>(&b[checksumAt]), 4);
    out.close();
    if (!out) return Fail(path, "cannot write the header");
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const bool checkOnly = argc == 3 && std::string(argv[1]) == "--check";
    if (argc != 2 && !checkOnly) {
        std::fprintf(stderr, "usage: pe_swaprun [--check] <image>\n");
        return 2;
    }
    return Mark(argv[argc - 1], checkOnly) ? 0 : 1;
}
