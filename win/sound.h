#pragma once
// Playing a wave file.

#include <memory>
#include <string>

namespace win {

// Plays wave files through the system's multimedia library, loaded on the first sound and kept
// until the player goes.
class SoundPlayer {
public:
    // Both where the library's type is whole.
    SoundPlayer();
    ~SoundPlayer();

    // Plays the file at `path` to its end and returns then. A missing or unplayable file plays
    // nothing, and no default sound stands in for it.
    void PlayToEnd(const std::wstring& path);

private:
    struct Library;
    std::unique_ptr<Library> library_;
};

}  // namespace win
