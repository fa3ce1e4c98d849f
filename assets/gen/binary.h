#pragma once
// Little-endian byte output for the asset generators (they run on the build machine).

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace gen {

class ByteWriter {
public:
    void U8(unsigned v) { bytes_.push_back(static_cast<uint8_t>(v)); }
    void U16(unsigned v) {
        U8(v & 0xFF);
        U8((v >> 8) & 0xFF);
    }
    void U32(uint32_t v) {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    void I16(int v) { U16(static_cast<uint16_t>(static_cast<int16_t>(v))); }
    void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
    void Tag(const char (&fourcc)[5]) { Append(fourcc, 4); }
    void Append(const void* data, size_t n) {
        const auto* p = static_cast<const uint8_t*>(data);
        bytes_.insert(bytes_.end(), p, p + n);
    }
    void Append(const std::vector<uint8_t>& more) { bytes_.insert(bytes_.end(), more.begin(), more.end()); }
    // Overwrites a 32-bit value written earlier (sizes known only at the end).
    void PatchU32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
};

// Writes the whole file or reports why not; returns false on failure.
inline bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) {
        std::perror(path.c_str());
        return false;
    }
    return true;
}

}  // namespace gen
