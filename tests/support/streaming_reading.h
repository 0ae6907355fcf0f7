#ifndef STREAMING_READING_H
#define STREAMING_READING_H

// Reading a trace as a client that handles each line as it comes, with or
// without streaming, keeping what can be compared between the two ways:
// what each line handed out (with what that points at, which a streaming
// reader must still have), the rewrite written line by line, and the
// reader's counts at the end.

#include <string>
#include <vector>

class TCFList;

struct LineByLineReading {
    std::vector<std::string> lines;  // what each line handed out
    std::string rewritten;
    std::string counts;
    int errors = 0;  // reported while reading
    int warnings = 0;
};

LineByLineReading readLineByLine(TCFList* configurations, const std::string& trace, bool streaming, bool withTimes);

// Where two readings first part (empty when they don't), to show in a failure.
std::string firstReadingDifference(const LineByLineReading& whole, const LineByLineReading& streamed);

#endif
