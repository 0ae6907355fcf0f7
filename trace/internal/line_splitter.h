#ifndef TDF_LINE_SPLITTER_H
#define TDF_LINE_SPLITTER_H

// The lines of a stream as the reader takes them, read in large blocks: a
// line ends after its line feed, after `longestLine` bytes (the rest of a
// longer line is a further line) or at the end of the input. A line is
// handed out NUL-terminated, with its length: a NUL byte inside it is
// part of the line, not its end.

#include <cstddef>
#include <cstdio>
#include <memory>

namespace tdf::internal {

class LineSplitter {
public:
    LineSplitter(std::FILE* stream, std::size_t longestLine);
    LineSplitter(const LineSplitter&) = delete;
    LineSplitter& operator=(const LineSplitter&) = delete;

    // The next line, valid until the next call. False at the end of the
    // input, and at a read failure once the whole lines read before it
    // have been handed out (the part of a line before the failure is not).
    bool next(const char** line, std::size_t* length);
    // The reason (an errno value) of the read failure, 0 when there was none.
    int failure() const { return failure_; }

private:
    bool handOut(std::size_t length, const char** line, std::size_t* lineLength);
    // Moves the part of a line at the end of the buffer to its front and
    // reads a block after it.
    void refill();

    std::FILE* stream_;
    std::size_t longestLine_;
    std::size_t capacity_;
    std::unique_ptr<char[]> buffer_;
    std::size_t start_ = 0;  // of the next line
    std::size_t end_ = 0;    // of the bytes read
    // The byte after the line handed out last, which its terminating NUL
    // stands in for until the next call.
    std::size_t terminator_ = 0;
    char terminatedByte_ = 0;
    bool terminated_ = false;
    bool ended_ = false;
    int failure_ = 0;
};

}

#endif
