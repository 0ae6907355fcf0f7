// The floors for reading a trace: the cheapest ways to take its lines one
// at a time, doing nothing with them. bench/run sets every reading beside
// both.
//
//   line_loop fgets FILE   each line read with fgets, its length by strlen
//   line_loop block FILE   the file read in large blocks with read(2), each
//                          line found in them with memchr
//
// Both cut a line at the reader's longest line, and print the lines and
// bytes counted (strlen counts none after a NUL byte in a line).

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

// The reader's longest line, less the NUL after it.
constexpr std::size_t longestLine = 64000 - 1;
// As large as the reader's blocks.
constexpr std::size_t blockBytes = std::size_t(1) << 20;

struct Count {
    long long lines = 0;
    long long bytes = 0;
};

// False after printing why the file could not be read.
bool fgetsLines(const char* path, Count* count)
{
    std::FILE* file = std::fopen(path, "r");
    if (!file) {
        std::perror(path);
        return false;
    }
    static char line[longestLine + 1];
    while (std::fgets(line, sizeof line, file)) {
        ++count->lines;
        count->bytes += static_cast<long long>(std::strlen(line));
    }
    if (std::ferror(file)) {
        std::perror(path);
        std::fclose(file);
        return false;
    }
    if (std::fclose(file) != 0) {
        std::perror(path);
        return false;
    }
    return true;
}

bool blockLines(const char* path, Count* count)
{
    const int file = open(path, O_RDONLY);
    if (file < 0) {
        std::perror(path);
        return false;
    }
    // A line begun in the block before is moved to the front, before the
    // next block.
    const std::unique_ptr<char[]> buffer(new char[longestLine + blockBytes]);
    std::size_t start = 0;
    std::size_t end = 0;
    bool ended = false;
    for (;;) {
        const std::size_t available = end - start;
        const char* begin = buffer.get() + start;
        const void* feed = std::memchr(begin, '\n', available < longestLine ? available : longestLine);
        std::size_t length = 0;
        if (feed)
            length = std::size_t(static_cast<const char*>(feed) - begin) + 1;
        else if (available >= longestLine || (ended && available > 0))
            length = available < longestLine ? available : longestLine;
        if (length > 0) {
            start += length;
            ++count->lines;
            count->bytes += static_cast<long long>(length);
            continue;
        }
        if (ended)
            break;
        std::memmove(buffer.get(), begin, available);
        start = 0;
        end = available;
        const ssize_t read = ::read(file, buffer.get() + end, blockBytes);
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0) {
            std::perror(path);
            close(file);
            return false;
        }
        end += std::size_t(read);
        ended = read == 0;
    }
    if (close(file) != 0) {
        std::perror(path);
        return false;
    }
    return true;
}

}

int main(int argc, char** argv)
{
    const bool fgetsMode = argc == 3 && std::strcmp(argv[1], "fgets") == 0;
    if (argc != 3 || (!fgetsMode && std::strcmp(argv[1], "block") != 0)) {
        std::fputs("usage: line_loop fgets|block FILE\n", stderr);
        return 2;
    }
    Count count;
    if (!(fgetsMode ? fgetsLines(argv[2], &count) : blockLines(argv[2], &count)))
        return 1;
    if (std::printf("%lld lines, %lld bytes\n", count.lines, count.bytes) < 0 || std::fflush(stdout) != 0) {
        std::perror("line_loop: standard output");
        return 1;
    }
    return 0;
}
