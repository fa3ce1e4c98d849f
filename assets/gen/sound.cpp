// Writes the About window's sound: a soft two-note chime (a fifth up, bell-like partials, each
// note dying away), 0.8 s of 16-bit mono PCM at 22050 Hz in a RIFF WAVE file.
//
// usage: sound <output.wav>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <vector>

#include "assets/gen/binary.h"

namespace {

constexpr int kRate = 22050;
constexpr double kSeconds = 0.8;

struct Note {
    double start;  // s
    double freq;   // Hz
    double gain;
};

// A struck-bell voice: a few partials, each decaying faster the higher it is.
double Bell(double t, double freq) {
    if (t < 0) return 0;
    struct Partial {
        double ratio, amp, decay;
    };
    constexpr Partial partials[] = {{1.0, 1.0, 5.0}, {2.0, 0.42, 8.0}, {3.0, 0.16, 12.0}, {4.2, 0.07, 18.0}};
    const double attack = std::min(1.0, t / 0.004);
    double v = 0;
    for (const auto& p : partials)
        v += p.amp * std::exp(-p.decay * t) * std::sin(2 * std::numbers::pi * freq * p.ratio * t);
    return attack * v;
}

std::vector<int16_t> Chime() {
    constexpr Note notes[] = {{0.00, 659.26, 0.55}, {0.16, 987.77, 0.45}};  // E5, then B5
    const int n = static_cast<int>(kRate * kSeconds);
    std::vector<double> mix(n);
    double peak = 0;
    for (int i = 0; i < n; ++i) {
        const double t = double(i) / kRate;
        double v = 0;
        for (const auto& note : notes) v += note.gain * Bell(t - note.start, note.freq);
        // A short fade at the end so the file stops at silence rather than on a click.
        const double tail = (n - 1 - i) / (0.03 * kRate);
        if (tail < 1) v *= tail;
        mix[i] = v;
        peak = std::max(peak, std::abs(v));
    }
    const double scale = 0.6 * 32767 / peak;  // leave headroom: a chime, not an alarm
    std::vector<int16_t> pcm(n);
    for (int i = 0; i < n; ++i) pcm[i] = static_cast<int16_t>(std::lround(mix[i] * scale));
    return pcm;
}

std::vector<uint8_t> WaveFile(const std::vector<int16_t>& pcm) {
    const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
    gen::ByteWriter w;
    w.Tag("RIFF");
    w.U32(4 + (8 + 16) + (8 + dataBytes));
    w.Tag("WAVE");
    w.Tag("fmt ");
    w.U32(16);
    w.U16(1);  // PCM
    w.U16(1);  // mono
    w.U32(kRate);
    w.U32(kRate * 2);  // bytes per second
    w.U16(2);          // block align
    w.U16(16);         // bits per sample
    w.Tag("data");
    w.U32(dataBytes);
    for (int16_t s : pcm) w.I16(s);
    return w.Bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output.wav>\n", argv[0]);
        return 2;
    }
    return gen::WriteFile(argv[1], WaveFile(Chime())) ? 0 : 1;
}
