// Writes the program's two animation clips, the wait window's and the About window's, to the
// paths it is given (the build names them from its list of sibling files). Whatever their names
// say, they are plain AVI files.

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
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <wait window's clip> <About window's clip>\n", argv[0]);
        return 2;
    }
    const struct {
        const char* path;
        gen::IndexedClip clip;
    } clips[] = {{argv[1], gen::WaitClip()}, {argv[2], gen::AboutClip()}};
    for (const auto& c : clips) {
        if (!WriteFile(c.path, gen::WriteAvi(c.clip))) {
            std::fprintf(stderr, "cannot write %s\n", c.path);
            return 1;
        }
    }
    return 0;
}
