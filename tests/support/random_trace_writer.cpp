// Writes randomTrace(SEED, LINES) to standard output, for the tool tests
// that compare tdftool's commands over such traces.
//
//   random_trace_writer SEED LINES > trace.tdf

#include "random_trace.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fputs("usage: random_trace_writer SEED LINES\n", stderr);
        return 2;
    }
    const std::string trace = randomTrace(static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)),
                                          std::atoi(argv[2]));
    const bool written = std::fwrite(trace.data(), 1, trace.size(), stdout) == trace.size();
    return written && std::fflush(stdout) == 0 ? 0 : 1;
}
