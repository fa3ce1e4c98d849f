// Writes the program's two animation clips into a folder: res.dll (the wait window's) and
// korvane2.dll (the About window's). Despite their names they are plain AVI files.

#include <cstdio>
#include <string>

#include "assets/gen/avi_writer.h"
#include "assets/gen/clip_art.h"

namespace {

bool WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    const struct {
        const char* name;
        gen::IndexedClip clip;
    } clips[] = {{"res.dll", gen::WaitClip()}, {"korvane2.dll", gen::AboutClip()}};
    for (const auto& c : clips) {
        const std::string path = folder + "/" + c.name;
        if (!WriteFile(path, gen::WriteAvi(c.clip))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
