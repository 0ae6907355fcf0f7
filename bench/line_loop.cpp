// The floor for reading a trace: the same line loop as the reader, doing
// nothing with the lines.
//
//   line_loop FILE

#include "internal/line_splitter.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: line_loop FILE\n", stderr);
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "r");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    // The reader's longest line (TDF::lineBufferSize less its terminator).
    tdf::internal::LineSplitter splitter(file, 64000 - 1);
    tdf::internal::LineSplitter::Line line;
    long long lines = 0;
    long long bytes = 0;
    while (splitter.next(&line)) {
        ++lines;
        bytes += static_cast<long long>(line.length);
    }
    std::fclose(file);
    if (splitter.failure() != 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], std::strerror(splitter.failure()));
        return 1;
    }
    std::printf("%lld lines, %lld bytes\n", lines, bytes);
    return 0;
}
