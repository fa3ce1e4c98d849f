// libFuzzer target: any bytes given to the AVI clip reader, and every frame of what it accepts
// decoded in order and then again from a jump back, as a looping player does.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/avi_clip.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    core::AviClip clip;
    if (clip.Load(std::vector<std::uint8_t>(data, data + size)) != core::AviStatus::Ok) return 0;
    if (clip.Width() <= 0 || clip.Height() <= 0 || clip.FrameCount() == 0) __builtin_trap();
    // Huge frames only repeat the same row loops more slowly.
    if (static_cast<std::size_t>(clip.Width()) * static_cast<std::size_t>(clip.Height()) > (1u << 20)) return 0;
    core::AviFrameDecoder decoder(clip);
    for (std::size_t i = 0; i < clip.FrameCount(); ++i) (void)decoder.Seek(i);
    (void)decoder.Seek(clip.FrameCount() / 2);
    if (decoder.Pixels().size() != static_cast<std::size_t>(clip.Width()) * static_cast<std::size_t>(clip.Height()))
        __builtin_trap();
    return 0;
}
