#include "win/sound.h"

#include <cstdint>
#include <vector>

#include "win/file.h"
#include "win/system_dll.h"
#include "win/text.h"

namespace win {

namespace {
// Far above any sound of ours; a larger file is not played.
constexpr std::uint64_t kMaxSoundBytes = 64u << 20;
}  // namespace

struct SoundPlayer::Library {
    Winmm winmm;
};

SoundPlayer::SoundPlayer() = default;
SoundPlayer::~SoundPlayer() = default;

void SoundPlayer::PlayToEnd(const std::wstring& path) {
    if (!library_) library_ = std::make_unique<Library>();
    const Winmm& winmm = library_->winmm;
    if (!winmm.sndPlaySoundW) return;
    if (RepresentableInAnsi(path)) {
        winmm.sndPlaySoundW(path.c_str(), SND_NODEFAULT);
        return;
    }
    // The multimedia library opens files through the ANSI code page, which would turn such a
    // path into another file's ("Ｔav" into "Tav") or none: the sound is read here and played
    // from memory.
    std::vector<std::uint8_t> sound;
    if (!ReadWholeFile(path, kMaxSoundBytes, sound)) return;
    winmm.sndPlaySoundW(reinterpret_cast<const wchar_t*>(sound.data()), SND_MEMORY | SND_NODEFAULT);
}

}  // namespace win
