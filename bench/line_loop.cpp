// The floor for reading a trace: the same buffered line loop as the reader,
// doing nothing with the lines.
//
//   line_loop FILE

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
    static char line[64000];
    long long lines = 0;
    long long bytes = 0;
    while (std::fgets(line, sizeof line, file)) {
        ++lines;
        bytes += static_cast<long long>(std::strlen(line));
    }
    std::fclose(file);
    std::printf("%lld lines, %lld bytes\n", lines, bytes);
    return 0;
}
