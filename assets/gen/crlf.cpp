// Copies a text file with every line ending made CR LF, the way Windows' text viewers expect it.
// Line endings already CR LF stay as they are; a missing final line ending is added.
//
// usage: crlf <input> <output>

#include <cstdio>
#include <vector>

#include "assets/gen/binary.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <input> <output>\n", argv[0]);
        return 2;
    }
    FILE* in = std::fopen(argv[1], "rb");
    if (!in) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<uint8_t> out;
    int previous = -1;
    for (int c; (c = std::fgetc(in)) != EOF; previous = c) {
        if (c == '\n' && previous != '\r') out.push_back('\r');
        out.push_back(static_cast<uint8_t>(c));
    }
    const bool failed = std::ferror(in);
    std::fclose(in);
    if (failed) {
        std::perror(argv[1]);
        return 1;
    }
    if (!out.empty() && out.back() != '\n') {
        if (out.back() != '\r') out.push_back('\r');
        out.push_back('\n');
    }
    return gen::WriteFile(argv[2], out) ? 0 : 1;
}
